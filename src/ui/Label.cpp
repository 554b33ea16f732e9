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
    caption_ = text;
    if (autoSize_ && glyph_.isEmpty()) refit();
    update();
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
    const QFontMetricsF fm(font());
    const double widthPx = caption_.isEmpty() ? 0.0 : std::ceil(fm.horizontalAdvance(caption_));
    tw::SetWidth(this, widthPx * tw::kPerPixel);
    tw::SetHeight(this, fonts::LineTwips(font()));
}

void Label::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (opaque_) p.fillRect(rect(), back_);
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
    if (!glyph_.isEmpty()) {
        // The symbol buttons of the strip lie over the title text: a rim in the header
        // band's grey keeps them readable.
        p.setPen(QColor(0x40, 0x40, 0x40));
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (dx || dy) p.drawText(rect().translated(dx, dy), flags, text);
        p.setPen(fore_);
    }
    p.drawText(rect(), flags, text);
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
