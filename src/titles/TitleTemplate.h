#pragma once
// The title line: a template whose placeholders %0..%6 take the file name and tag fields.

#include <QString>

#include "decoder/Records.h"

namespace telbo {

struct TitleText {
    QString text;  // the expanded template; "" when nothing was replaced
    bool replaced; // at least one placeholder was replaced
};

// %0 file name, %1 title, %2 artist, %3 album, %4 year (" " when its number is 0 or absent),
// %5 genre name, %6 comment. Tag values are the whole fixed-width field (blank padding kept),
// cut at the first NUL. A value holding "%" is replaced by "" so it cannot form a new
// placeholder. Every placeholder is replaced, and so is one that a replacement completes
// after a "%" ("%%0" with file "1.mp3" becomes the title followed by ".mp3"), until none is
// left. Each such completion uses up one "%", so the work is linear in the template's length.
TitleText ExpandTitle(const QString& templ, const QString& fileName, const TagRecord& tag);

// True when the template names no file name (%0), names tag fields (%1..%6), and every one
// of those is blank for `tag`: the expanded title would be bare punctuation ("- (, )"), and
// the file's name says more.
bool OnlyEmptyTagFields(const QString& templ, const TagRecord& tag);

// The title-editor buttons: 0..6 append "%0".."%6"; 7 (Clear) gives ""; any other value
// leaves the template as it is.
QString AppendPlaceholder(const QString& templ, int i);

// The number a year field starts with: leading blanks skipped, then an optional sign and
// decimal digits; 0 when there are none.
long long LeadingYearNumber(const QString& year);

} // namespace telbo
