#include "ui/Panel.h"

#include "ui/Twips.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace telbo {

Panel::Panel(QWidget* parent) : QWidget(parent) { setAutoFillBackground(false); }

void Panel::setCaption(const QString& c) {
    caption_ = c;
    update();
}

void Panel::setColors(const QColor& fore, const QColor& back) {
    fore_ = fore;
    back_ = back;
    update();
}

void Panel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), back_);
    const QFontMetrics fm(font());
    const int mid = fm.height() / 2;
    p.setPen(fore_);
    p.drawRect(QRect(0, mid, width() - 1, height() - mid - 1));
    if (caption_.isEmpty()) return;
    const int textWidth = fm.horizontalAdvance(caption_);
    const QRect textBox(6, 0, textWidth + 4, fm.height());
    p.fillRect(textBox, back_);
    p.drawText(textBox, Qt::AlignCenter, caption_);
}

void Panel::mousePressEvent(QMouseEvent* e) { emit pressed(tw::FromPixels(e->position()), e->button()); }
void Panel::mouseMoveEvent(QMouseEvent* e) { emit moved(tw::FromPixels(e->position()), e->buttons()); }
void Panel::mouseReleaseEvent(QMouseEvent* e) {
    emit released(tw::FromPixels(e->position()), e->button());
}

} // namespace telbo
