#include "titles/TitleTemplate.h"

#include <string>

namespace telbo {

namespace {

constexpr int kPlaceholders = 7;

QString FromRaw(const std::string& raw) {
    return QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
}

QString PlaceholderValue(int d, const QString& fileName, const TagRecord& tag) {
    switch (d) {
    case 0: return fileName;
    case 1: return FromRaw(tag.Title.Raw());
    case 2: return FromRaw(tag.Artist.Raw());
    case 3: return FromRaw(tag.Album.Raw());
    case 4: {
        const QString year = FromRaw(tag.Year.Raw());
        return LeadingYearNumber(year) != 0 ? year : QStringLiteral(" ");
    }
    case 5: return FromRaw(tag.GenreName.Raw());
    default: return FromRaw(tag.Comment.Raw());
    }
}

} // namespace

long long LeadingYearNumber(const QString& year) {
    qsizetype i = 0;
    while (i < year.size() && (year.at(i) == u' ' || year.at(i) == u'\t')) ++i;
    bool negative = false;
    if (i < year.size() && (year.at(i) == u'+' || year.at(i) == u'-')) {
        negative = year.at(i) == u'-';
        ++i;
    }
    long long value = 0;
    // The field is five characters wide; the cap only guards against overflow.
    for (int digits = 0; i < year.size() && year.at(i) >= u'0' && year.at(i) <= u'9' && digits < 18;
         ++i, ++digits)
        value = value * 10 + (year.at(i).unicode() - u'0');
    return negative ? -value : value;
}

TitleText ExpandTitle(const QString& templ, const QString& fileName, const TagRecord& tag) {
    QString s = templ;
    bool any = false;
    bool passReplaced = true;
    while (passReplaced) {
        passReplaced = false;
        for (int d = 0; d < kPlaceholders; ++d) {
            const QString placeholder = u'%' + QString::number(d);
            const qsizetype p = s.indexOf(placeholder);
            if (p < 0) continue;
            QString v = PlaceholderValue(d, fileName, tag);
            if (v.contains(u'%')) v.clear();
            const qsizetype nul = v.indexOf(QChar(u'\0'));
            if (nul >= 0) v.truncate(nul);
            s.replace(p, 2, v);
            passReplaced = true;
            any = true;
        }
    }
    return {any ? s : QString(), any};
}

QString AppendPlaceholder(const QString& templ, int i) {
    if (i >= 0 && i < kPlaceholders) return templ + u'%' + QString::number(i);
    if (i == kPlaceholders) return {};
    return templ;
}

} // namespace telbo
