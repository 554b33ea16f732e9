#include "ui/ScrollBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>

namespace telbo {

namespace {

// QScrollBar steps by the range, whatever the drawing: on a bar drawn upside down its upper
// arrow would lower the value and so move the thumb down.
QAbstractSlider::SliderAction FlippedStep(QStyle::SubControl control) {
    switch (control) {
    case QStyle::SC_ScrollBarSubLine: return QAbstractSlider::SliderSingleStepAdd;
    case QStyle::SC_ScrollBarAddLine: return QAbstractSlider::SliderSingleStepSub;
    case QStyle::SC_ScrollBarSubPage: return QAbstractSlider::SliderPageStepAdd;
    case QStyle::SC_ScrollBarAddPage: return QAbstractSlider::SliderPageStepSub;
    default: return QAbstractSlider::SliderNoAction;
    }
}

} // namespace

// The bars are for the mouse; the keys of the window belong to the list and the shortcuts.
ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {
    setFocusPolicy(Qt::NoFocus);
}

void ScrollBar::mousePressEvent(QMouseEvent* e) {
    if (invertedAppearance() && e->button() == Qt::LeftButton && !isSliderDown()) {
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        const auto control =
            style()->hitTestComplexControl(QStyle::CC_ScrollBar, &opt, e->position().toPoint(), this);
        const SliderAction action = FlippedStep(control);
        if (action != SliderNoAction) {
            steppingFlipped_ = true;
            e->accept();
            // As QScrollBar does: one step now, repeating after half a second while held.
            setRepeatAction(action, 500);
            triggerAction(action);
            return;
        }
    }
    QScrollBar::mousePressEvent(e);
}

void ScrollBar::mouseMoveEvent(QMouseEvent* e) {
    if (steppingFlipped_) {
        e->accept();
        return;
    }
    QScrollBar::mouseMoveEvent(e);
}

void ScrollBar::mouseReleaseEvent(QMouseEvent* e) {
    if (steppingFlipped_) {
        steppingFlipped_ = false;
        setRepeatAction(SliderNoAction);
        e->accept();
        return;
    }
    QScrollBar::mouseReleaseEvent(e);
}

PositionBar::PositionBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
    setFocusPolicy(Qt::NoFocus);
}

int PositionBar::ThumbLength() const { return std::min(width(), std::max(3 * height(), 12)); }

int PositionBar::ThumbLeft() const {
    return QStyle::sliderPositionFromValue(minimum(), maximum(), sliderPosition(),
                                           width() - ThumbLength());
}

int PositionBar::ValueAt(double thumbLeft) const {
    const int span = width() - ThumbLength();
    const int at = static_cast<int>(std::lround(std::clamp(thumbLeft, 0.0, double(span))));
    return QStyle::sliderValueFromPosition(minimum(), maximum(), at, span);
}

void PositionBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Dark on the black window, the thumb light: it reads at a glance in a bar this thin.
    p.fillRect(rect(), QColor(0x30, 0x30, 0x30));
    // The thumb takes the bar's whole height: in a box a few pixels high every pixel counts.
    const QRect thumb(ThumbLeft(), 0, ThumbLength(), height());
    p.fillRect(thumb, isSliderDown() ? QColor(0xFF, 0xFF, 0xFF) : QColor(0xC0, 0xC0, 0xFF));
}

void PositionBar::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || maximum() <= minimum()) {
        e->ignore();
        return;
    }
    e->accept();
    const double x = e->position().x();
    const int left = ThumbLeft();
    // Held where it was pressed; a press on the trough brings the thumb's middle there.
    grabOffset_ = (x >= left && x < left + ThumbLength()) ? x - left : ThumbLength() / 2.0;
    setSliderDown(true);
    // While the thumb is down, moving it reports sliderMoved: the seek of a drag.
    setSliderPosition(ValueAt(x - grabOffset_));
    update();
}

void PositionBar::mouseMoveEvent(QMouseEvent* e) {
    if (!isSliderDown()) {
        e->ignore();
        return;
    }
    e->accept();
    setSliderPosition(ValueAt(e->position().x() - grabOffset_));
}

void PositionBar::mouseReleaseEvent(QMouseEvent* e) {
    if (!isSliderDown()) {
        e->ignore();
        return;
    }
    e->accept();
    setSliderDown(false);
    update();
}

} // namespace telbo
