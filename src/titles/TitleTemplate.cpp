#include "titles/TitleTemplate.h"

#include <array>
#include <string>
#include <vector>

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
    std::array<QString, kPlaceholders> values;
    for (int d = 0; d < kPlaceholders; ++d) {
        QString v = PlaceholderValue(d, fileName, tag);
        if (v.contains(u'%')) v.clear();
        const qsizetype nul = v.indexOf(QChar(u'\0'));
        if (nul >= 0) v.truncate(nul);
        values[static_cast<std::size_t>(d)] = std::move(v);
    }
    const auto placeholderDigit = [](QChar c) {
        return c.unicode() >= u'0' && c.unicode() < u'0' + kPlaceholders;
    };

    // One scan from the left. Replacing a placeholder in any order gives the same text, since
    // placeholders never overlap and values hold no "%"; the only new placeholder a value can
    // make is a "%" already written followed by the value's first digit. Those are resolved
    // as the value is written, each consuming one "%", so the work stays linear in the
    // template's length rather than one pass over the whole text per replacement.
    const QStringView all(templ);
    // The size without completions, so the text grows in one allocation.
    qsizetype size = all.size();
    for (qsizetype i = 0; i + 1 < all.size(); ++i)
        if (all[i] == u'%' && placeholderDigit(all[i + 1])) {
            size += values[static_cast<std::size_t>(all[i + 1].unicode() - u'0')].size() - 2;
            ++i;
        }
    QString out;
    out.reserve(size);
    std::vector<QStringView> pending; // pieces still to write, the next one last
    bool any = false;
    const auto write = [&](QStringView piece) {
        pending.push_back(piece);
        while (!pending.empty()) {
            QStringView p = pending.back();
            pending.pop_back();
            if (p.isEmpty()) continue;
            if (out.endsWith(u'%') && placeholderDigit(p.front())) {
                out.chop(1);
                pending.push_back(p.sliced(1));
                pending.push_back(values[static_cast<std::size_t>(p.front().unicode() - u'0')]);
                continue;
            }
            out += p;
        }
    };
    qsizetype plainStart = 0;
    for (qsizetype i = 0; i + 1 < all.size(); ++i) {
        if (all[i] != u'%' || !placeholderDigit(all[i + 1])) continue;
        write(all.sliced(plainStart, i - plainStart));
        write(values[static_cast<std::size_t>(all[i + 1].unicode() - u'0')]);
        any = true;
        plainStart = i + 2;
        ++i;
    }
    if (!any) return {QString(), false};
    write(all.sliced(plainStart));
    return {out, true};
}

bool OnlyEmptyTagFields(const QString& templ, const TagRecord& tag) {
    bool anyField = false;
    for (qsizetype i = 0; i + 1 < templ.size(); ++i) {
        if (templ[i] != u'%') continue;
        const int d = templ[i + 1].unicode() - u'0';
        if (d < 0 || d >= kPlaceholders) continue;
        if (d == 0) return false;
        QString v = PlaceholderValue(d, QString(), tag);
        const qsizetype nul = v.indexOf(QChar(u'\0'));
        if (nul >= 0) v.truncate(nul);
        if (v.contains(u'%')) v.clear(); // shown empty, as ExpandTitle does
        if (!v.trimmed().isEmpty()) return false;
        anyField = true;
        ++i;
    }
    return anyField;
}

QString AppendPlaceholder(const QString& templ, int i) {
    if (i >= 0 && i < kPlaceholders) return templ + u'%' + QString::number(i);
    if (i == kPlaceholders) return {};
    return templ;
}

} // namespace telbo
