#pragma once
// A framed group: thin border with the caption set into its top edge, in the fore colour on
// the back colour. Reports raw mouse input in twips (for dragging).

#include <QColor>
#include <QPointF>
#include <QWidget>

namespace telbo {

class Panel final : public QWidget {
    Q_OBJECT
public:
    explicit Panel(QWidget* parent);
    QString caption() const { return caption_; }
    void setCaption(const QString& c);
    void setColors(const QColor& fore, const QColor& back);
    QColor foreColor() const { return fore_; }
    QColor backColor() const { return back_; }

signals:
    void pressed(QPointF twips, Qt::MouseButton button);
    void moved(QPointF twips, Qt::MouseButtons buttons);
    void released(QPointF twips, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QString caption_;
    QColor fore_{Qt::white};
    QColor back_{Qt::black};
};

} // namespace telbo
