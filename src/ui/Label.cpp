#include "ui/Label.h"

#include "ui/Fonts.h"
#include "ui/Twips.h"

#include <QFontMetricsF>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace telbo {

Label::Label(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
}

void Label::setCaption(const QString& text) {
    if (text == caption_) return;
    Settle(); // a fit put off was for the old caption
    caption_ = text;
    drawn_ = text;
    if (autoSize_ && glyph_.isEmpty()) {
        refit();
    } else {
        pendingCut_ = true;
        pendingWidth_ = width();
    }
    update();
    emit captionChanged();
}

void Label::setClipRight(double parentTwips) {
    if (parentTwips == clipRight_) return;
    clipRight_ = parentTwips;
    update();
}

void Label::setDesignFont(const QFont& f) {
    Settle();
    design_ = f;
    scale_ = 1.0;
    setFont(f);
}

void Label::applyScale(double scale) {
    scale_ = scale;
    QFont f = design_;
    if (scale != 1.0) f.setPointSizeF(design_.pointSizeF() * scale);
    setFont(f);
}

void Label::setFontScale(double scale) {
    Settle();
    applyScale(scale);
    refit();
    update();
}

void Label::cutToWidth(int width) {
    pendingCut_ = false;
    drawn_ = caption_;
    const QFontMetricsF fm(QWidget::font());
    if (fm.horizontalAdvance(caption_) > width)
        drawn_ = fm.elidedText(caption_, Qt::ElideRight, width);
}

void Label::fitFontToBox() {
    if (caption_.isEmpty() || !glyph_.isEmpty()) return;
    if (pendingFit_) Settle(); // the next fit starts from the size the last one chose
    pendingFit_ = true;
    pendingCut_ = false; // the fit cuts for the box as it is now
    pendingWidth_ = width();
    update();
}

void Label::fitTo(int width) {
    pendingFit_ = false;
    // Sizes step down until the text fits: hinting makes the width only roughly proportional.
    for (double scale = scale_; scale >= kMinFontScale - 1e-9; scale -= 0.01) {
        applyScale(scale);
        if (QFontMetricsF(QWidget::font()).horizontalAdvance(caption_) <= width) break;
    }
    cutToWidth(width);
}

void Label::Settle() {
    if (!pendingFit_ && !pendingCut_) return;
    if (pendingFit_)
        fitTo(pendingWidth_);
    else
        cutToWidth(pendingWidth_);
    emit measured();
}

void Label::setForeColor(const QColor& c) {
    fore_ = c;
    update();
}
void Label::setBackColor(const QColor& c) {
    back_ = c;
    update();
}
void Label::setOpaque(bool on) {
    opaque_ = on;
    update();
}
void Label::setAlign(Align a) {
    align_ = a;
    update();
}
void Label::setGlyph(const QString& glyph, const QFont& glyphFont) {
    glyph_ = glyph;
    glyphFont_ = glyphFont;
    update();
}

void Label::refit() {
    const double right = tw::Left(this) + tw::Width(this);
    // A room cut a caption down before; a new caption starts again from the row's size.
    if (room_ > 0) applyScale(1.0);
    auto widthOf = [this] {
        return caption_.isEmpty()
                   ? 0.0
                   : std::ceil(QFontMetricsF(QWidget::font()).horizontalAdvance(caption_)) *
                         tw::kPerPixel;
    };
    double width = widthOf();
    if (room_ > 0 && width > room_) {
        for (double scale = scale_ - 0.01; scale >= kMinFontScale - 1e-9 && width > room_; scale -= 0.01) {
            applyScale(scale);
            width = widthOf();
        }
        width = std::min(width, room_);
    }
    tw::SetWidth(this, width);
    // The box keeps the line of the design size, whatever size the text is drawn in.
    tw::SetHeight(this, fonts::LineTwips(design_));
    if (align_ == Align::Right) tw::SetLeft(this, right - width);
    cutToWidth(this->width());
}

void Label::paintEvent(QPaintEvent*) {
    // A symbol draws its glyph: the caption's measure is never needed.
    if (glyph_.isEmpty()) Settle();
    QPainter p(this);
    if (clipRight_ > 0) p.setClipRect(QRectF(0, 0, clipRight_ / tw::kPerPixel - x(), height()));
    if (opaque_) p.fillRect(rect(), back_);
    // The symbol buttons of the strip lie over the scrolling title: on a box of the header
    // band's grey they stay readable whatever runs beneath.
    if (!glyph_.isEmpty()) p.fillRect(rect(), QColor(0x40, 0x40, 0x40));
    const QString text = shownText();
    if (text.isEmpty()) return;
    p.setPen(fore_);
    if (!glyph_.isEmpty()) p.setFont(glyphFont_);
    // A line taller than the box loses its empty headroom, not the descenders.
    const bool tall = QFontMetricsF(p.font()).height() > height();
    int flags = (tall ? Qt::AlignBottom : Qt::AlignVCenter) | Qt::TextSingleLine;
    if (!glyph_.isEmpty() || align_ == Align::Center) flags |= Qt::AlignHCenter;
    else if (align_ == Align::Right) flags |= Qt::AlignRight;
    else flags |= Qt::AlignLeft;
    line_.Draw(p, rect(), flags, text);
}

void Label::mousePressEvent(QMouseEvent* e) {
    inDoubleClick_ = false;
    emit pressed(tw::FromPixels(e->position()), e->button());
}

void Label::mouseMoveEvent(QMouseEvent* e) { emit moved(tw::FromPixels(e->position()), e->buttons()); }

void Label::mouseReleaseEvent(QMouseEvent* e) {
    emit released(tw::FromPixels(e->position()), e->button());
    // The release that ends a double-click gives no second click.
    const bool wasDouble = inDoubleClick_;
    inDoubleClick_ = false;
    if (!wasDouble && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
}

void Label::mouseDoubleClickEvent(QMouseEvent* e) {
    inDoubleClick_ = true;
    if (e->button() == Qt::LeftButton) emit doubleClicked();
}

void Label::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
    else e->ignore();
}

void Label::dropEvent(QDropEvent* e) {
    if (!e->mimeData()->hasUrls()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    emit filesDropped(e->mimeData()->urls());
}

} // namespace telbo
