#pragma once
// One line of text drawn as QPainter::drawText(rect, flags, text) draws it, to the pixel, but
// shaped only when the text, the font or the direction changes: the scrolling title is drawn
// again ten times a second, and shaping it anew each time was an eighth of the window's work.

#include <QFont>
#include <QString>

#include <memory>

class QPainter;
class QRect;
class QTextLayout;

namespace telbo {

class TextLine {
public:
    TextLine();
    ~TextLine();
    TextLine(const TextLine&) = delete;
    TextLine& operator=(const TextLine&) = delete;

    // `flags`: one horizontal and one vertical alignment, with Qt::TextSingleLine; drawn in the
    // painter's font, pen and direction.
    void Draw(QPainter& p, const QRect& r, int flags, const QString& text);

private:
    std::unique_ptr<QTextLayout> layout_;
    QString text_;
    QFont font_;
    int direction_ = -1;
    int dpi_ = 0;
};

} // namespace telbo
