#pragma once
// A command or text label: coloured text, transparent or opaque, sizing itself to its text
// (unless fixed), reporting clicks, double-clicks and raw mouse input in twips.

#include "ui/TextLine.h"

#include <QColor>
#include <QPointF>
#include <QString>
#include <QList>
#include <QUrl>
#include <QWidget>

namespace telbo {

class Label final : public QWidget {
    Q_OBJECT
public:
    enum class Align { Left, Right, Center };

    explicit Label(QWidget* parent);

    QString caption() const { return caption_; }
    // Sets the text; an auto-sized label refits its box to the new text.
    void setCaption(const QString& text);
    QColor foreColor() const { return fore_; }
    void setForeColor(const QColor& c);
    QColor backColor() const { return back_; }
    void setBackColor(const QColor& c);
    bool opaque() const { return opaque_; }
    void setOpaque(bool on);
    void setAlign(Align a);
    Align align() const { return align_; }
    void setAutoSize(bool on) { autoSize_ = on; }
    bool autoSize() const { return autoSize_; }
    // The font of the layout; the label may draw in a smaller size of it, never a larger one.
    void setDesignFont(const QFont& f);
    // The widest box, in twips, a refitted caption may take (0: no limit). A wider caption is
    // drawn in a smaller size of the face, down to kMinFontScale, and cut with "…" beyond that.
    // A right-aligned label keeps its right edge as it refits.
    void setRoom(double twips) { room_ = twips; }
    double room() const { return room_; }
    // Shrinks the font, as far as allowed, until the caption fits the box as it is now. The
    // measuring waits until the label is drawn or asked for its text or font: a label of a
    // hidden panel loads no font at start-up.
    void fitFontToBox();
    // Draws at this fraction of the design size and refits (rows laid out together).
    void setFontScale(double scale);
    // Draws nothing right of this x of the parent, in twips (0: no limit).
    void setClipRight(double parentTwips);
    double clipRight() const { return clipRight_; }
    // The text as drawn: the caption, or its cut form when even the smallest size is too wide.
    QString drawnText() {
        Settle();
        return drawn_;
    }
    // The font the caption is drawn in, the put-off fit done first (hides QWidget::font, which
    // is the design size until then).
    const QFont& font() {
        Settle();
        return QWidget::font();
    }
    // Whether a fit or cut still waits to be measured.
    bool measurePending() const { return pendingFit_ || pendingCut_; }

    static constexpr double kMinFontScale = 0.7;
    // Draw `glyph` in place of the caption (symbol buttons keep their one-character caption
    // as data).
    void setGlyph(const QString& glyph, const QFont& glyphFont);

signals:
    // After setCaption changed the text (and refitted the box).
    void captionChanged();
    // A fit or cut put off until now was measured (drawnText may have changed).
    void measured();
    void clicked();
    void doubleClicked();
    void pressed(QPointF twips, Qt::MouseButton button);
    void moved(QPointF twips, Qt::MouseButtons buttons);
    void released(QPointF twips, Qt::MouseButton button);
    void filesDropped(const QList<QUrl>& urls);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void refit();
    void applyScale(double scale);
    void cutToWidth(int width);
    void fitTo(int width);
    // Does the fit or cut put off for the box as it was then.
    void Settle();
    QString shownText() const { return glyph_.isEmpty() ? drawn_ : glyph_; }

    QString caption_;
    QString drawn_;
    QString glyph_;
    QFont design_;
    double room_ = 0;
    double clipRight_ = 0;
    double scale_ = 1.0;
    QFont glyphFont_;
    QColor fore_{Qt::black};
    QColor back_{Qt::black};
    bool opaque_ = false;
    bool autoSize_ = true;
    Align align_ = Align::Left;
    bool inDoubleClick_ = false;
    bool pendingFit_ = false;
    bool pendingCut_ = false;
    int pendingWidth_ = 0;
    TextLine line_; // the shown text, shaped once
};

} // namespace telbo
