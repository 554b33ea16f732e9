#include "ui/TextLine.h"

#include <QPainter>
#include <QTextLayout>

namespace telbo {

TextLine::TextLine() = default;
TextLine::~TextLine() = default;

void TextLine::Draw(QPainter& p, const QRect& r, int flags, const QString& text) {
    const QFont& font = p.font();
    const int direction = static_cast<int>(p.layoutDirection());
    const int dpi = p.device() ? p.device()->logicalDpiY() : 0;
    if (!layout_ || text != text_ || font != font_ || direction != direction_ || dpi != dpi_) {
        text_ = text;
        font_ = font;
        direction_ = direction;
        dpi_ = dpi;
        // What drawText does to a line before laying it out: breaks and tabs become spaces.
        QString line = text;
        for (QChar& c : line)
            if (c == u'\n' || c == u'\r' || c == u'\t') c = u' ';
        layout_ = std::make_unique<QTextLayout>(line, font, p.device());
        QTextOption option;
        option.setWrapMode(QTextOption::ManualWrap);
        option.setFlags(QTextOption::IncludeTrailingSpaces);
        option.setTextDirection(p.layoutDirection());
        layout_->setTextOption(option);
        layout_->setCacheEnabled(true);
        layout_->beginLayout();
        QTextLine l = layout_->createLine();
        if (l.isValid()) {
            l.setLineWidth(0x01000000);
            l.setPosition(QPointF(0, 0));
        }
        layout_->endLayout();
    }
    if (layout_->lineCount() == 0) return;
    // Right to left, left and right trade places unless absolute.
    if (p.layoutDirection() == Qt::RightToLeft && !(flags & Qt::AlignAbsolute)) {
        const int h = flags & (Qt::AlignLeft | Qt::AlignRight);
        if (h == Qt::AlignLeft || h == Qt::AlignRight) flags ^= Qt::AlignLeft | Qt::AlignRight;
    }
    const QTextLine l = layout_->lineAt(0);
    // The line's own height, not QTextLine::height(), which is rounded up to a pixel.
    const qreal height = l.ascent() + l.descent() + (l.leadingIncluded() ? l.leading() : 0);
    const qreal width = l.naturalTextWidth();
    const qreal advance = l.horizontalAdvance();
    qreal y = 0;
    if (flags & Qt::AlignBottom) y = r.height() - height;
    else if (flags & Qt::AlignVCenter) y = (r.height() - height) / 2;
    qreal boundsX = 0, x = 0;
    if (flags & Qt::AlignRight) {
        boundsX = r.width() - width;
        x = r.width() - advance;
    } else if (flags & Qt::AlignHCenter) {
        boundsX = (r.width() - width) / 2;
        x = (r.width() - advance) / 2;
    }
    // Clipped to the box only when the text overflows it, as drawText does.
    const bool clip = !QRectF(r).contains(QRectF(r.x() + boundsX, r.y() + y, width, height));
    if (clip) {
        p.save();
        p.setClipRect(r, Qt::IntersectClip);
    }
    l.draw(&p, QPointF(r.x() + x, r.y() + y));
    if (clip) p.restore();
}

} // namespace telbo
