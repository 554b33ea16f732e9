#include "ui/OptionButton.h"

#include <QPainter>

#include <algorithm>

namespace telbo {

OptionButton::OptionButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {
    QFont f = font();
    f.setPixelSize(10);
    setFont(f);
}

void OptionButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Window));
    const QColor fore = pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    const double d = std::max(4, height() - 4);
    const QRectF ring(1.5, (height() - d) / 2.0, d, d);
    p.setPen(QPen(fore, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(ring);
    if (isChecked()) {
        p.setPen(Qt::NoPen);
        p.setBrush(fore);
        p.drawEllipse(ring.adjusted(d / 4, d / 4, -d / 4, -d / 4));
    }
    p.setPen(fore);
    const QRect textBox(static_cast<int>(ring.right()) + 3, 0, width(), height());
    p.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

// The whole box takes the click, as the row of a small option button would.
bool OptionButton::hitButton(const QPoint& pos) const { return rect().contains(pos); }

} // namespace telbo
