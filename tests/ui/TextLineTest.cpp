// A line laid out once must draw the very pixels QPainter::drawText draws for it: the labels
// changed from one to the other, and a pixel off would show as a jump in the scrolling title.
#include "ui/Fonts.h"
#include "ui/TextLine.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace telbo::test {
namespace {

QImage Drawn(TextLine* line, const QFont& font, Qt::LayoutDirection dir, const QRect& box,
             int flags, const QString& text) {
    QImage image(box.size() + QSize(40, 20), QImage::Format_RGB32);
    image.fill(QColor(0x40, 0x40, 0x40));
    QPainter p(&image);
    p.setLayoutDirection(dir);
    p.setFont(font);
    p.setPen(QColor(0xC0, 0xC0, 0xFF));
    const QRect r = box.translated(17, 9);
    if (line) line->Draw(p, r, flags, text);
    else p.drawText(r, flags, text);
    return image;
}

TEST(TextLineTest, DrawsWhatDrawTextDrawsForEveryAlignmentBoxAndScript) {
    const QStringList texts = {
        QStringLiteral("Title"),
        QStringLiteral("01 - ü song — Müsic (2019) [FLAC→MP3]"),
        QStringLiteral("  spaces  round  "),
        QStringLiteral("tab\there, line\r\nbreak"),
        QStringLiteral("日本語のタイトル"),
        QStringLiteral("مرحبا بالعالم"),
        QStringLiteral("Mixed עברית text"),
        QStringLiteral("A"),
    };
    // The layout's faces: the title, a command, the narrow bold, the tag panel's, the symbols.
    const QStringList keys = {QStringLiteral("PopF27b"), QStringLiteral("Pop14b"), QStringLiteral("Imp9.75"),
                              QStringLiteral("PG9"), QStringLiteral("Wd14b")};
    TextLine line; // one for all: it must notice every change of text, font and direction
    int cases = 0;
    for (const QString& key : keys) {
        const QFont font = fonts::ForKey(key);
        const QFontMetricsF fm(font);
        for (const QString& text : texts) {
            const int width = static_cast<int>(std::ceil(fm.horizontalAdvance(text)));
            const int height = static_cast<int>(fm.height());
            for (const int h : {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter})
                for (const int v : {Qt::AlignVCenter, Qt::AlignBottom})
                    for (const QSize size : {QSize(width, height - 3), QSize(width + 7, height + 5)})
                        for (const auto dir : {Qt::LeftToRight, Qt::RightToLeft}) {
                            const int flags = h | v | Qt::TextSingleLine;
                            const QRect box(QPoint(0, 0), size);
                            ++cases;
                            ASSERT_EQ(Drawn(&line, font, dir, box, flags, text),
                                      Drawn(nullptr, font, dir, box, flags, text))
                                << qPrintable(key) << " '" << qPrintable(text) << "' flags " << flags
                                << " box " << size.width() << "x" << size.height() << " rtl "
                                << (dir == Qt::RightToLeft);
                        }
        }
    }
    EXPECT_EQ(cases, 5 * 8 * 3 * 2 * 2 * 2);
}

} // namespace
} // namespace telbo::test
