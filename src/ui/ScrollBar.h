#pragma once
// Scroll bars of the layout. A bar drawn upside down (its top end the largest value) is
// driven the way it is drawn: its arrows and trough move the thumb towards where they point.
// The position slider paints its own thumb across the whole height of its thin box, and a
// press on its trough puts the thumb there and drags it from there.

#include <QScrollBar>

namespace telbo {

class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    ScrollBar(Qt::Orientation orientation, QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    // An arrow or trough press of an upside-down bar, handled here rather than by QScrollBar.
    bool steppingFlipped_ = false;
};

class PositionBar final : public QScrollBar {
    Q_OBJECT
public:
    explicit PositionBar(QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int ThumbLength() const;
    int ThumbLeft() const;
    int ValueAt(double thumbLeft) const;

    double grabOffset_ = 0; // where in the thumb the pointer holds it, in pixels
};

} // namespace telbo
