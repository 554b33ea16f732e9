#include "core/SettingsFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

#include "core/AtomicFile.h"
#include "core/NumberText.h"

namespace telbo {
namespace {

constexpr int kMarkerLength = 5; // "[000]"

bool IsLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

bool AtLineStart(QStringView text, qsizetype pos) { return pos == 0 || IsLineEnd(text[pos - 1]); }

// First occurrence of `needle` at or after `from` that begins a line, or -1.
qsizetype FindAtLineStart(QStringView text, QStringView needle, qsizetype from) {
    while (from <= text.size()) {
        const qsizetype p = text.indexOf(needle, from, Qt::CaseSensitive);
        if (p < 0) return -1;
        if (AtLineStart(text, p)) return p;
        from = p + 1;
    }
    return -1;
}

// Position of the first CR or LF at or after `from`, or the text size.
qsizetype LineEnd(QStringView text, qsizetype from) {
    for (qsizetype i = from; i < text.size(); ++i)
        if (IsLineEnd(text[i])) return i;
    return text.size();
}

// Position just after the line end that closes the line containing `from`.
qsizetype NextLine(QStringView text, qsizetype from) {
    qsizetype i = LineEnd(text, from);
    if (i < text.size() && text[i] == u'\r') ++i;
    if (i < text.size() && text[i] == u'\n') ++i;
    return i;
}

// The text from `start` to the line end, the character at `start - 1` having been skipped.
QString RestOfLine(QStringView text, qsizetype skipped) {
    const qsizetype end = LineEnd(text, skipped);
    if (end == skipped) return {}; // the skipped character was the line end itself
    return text.sliced(skipped + 1, end - skipped - 1).toString();
}

QString OneLine(QString text) {
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

int ClampCount(int count) { return std::clamp(count, 0, kSlots); }

QString BooleanText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

// The text after "= " of one key.
QString ValueText(const Setting& row, const SettingsSnapshot& snapshot, const PlayerState& s) {
    switch (row.window) {
    case WindowValue::Left:
        return FormatTwips(snapshot.formX);
    case WindowValue::Top:
        return FormatTwips(snapshot.formY);
    case WindowValue::Width:
        // A strip docked across a screen wider than the field holds would read back as the
        // default width: store the widest it can hold instead.
        return FormatTwips(std::min(snapshot.formWidth, static_cast<double>(row.high)));
    case WindowValue::TitleTemplate:
        return OneLine(snapshot.titleTemplate);
    case WindowValue::None:
        break;
    }
    switch (row.type) {
    case SettingType::Boolean:
        return BooleanText(row.field.get(s) != 0);
    case SettingType::Count:
        return QString::number(ClampCount(row.field.get(s)));
    case SettingType::Integer:
    case SettingType::Point:
        return QString::number(row.field.get(s));
    case SettingType::Text:
    case SettingType::Folder:
        return OneLine(s.*row.text);
    case SettingType::Twips:
        break;
    }
    return {};
}

// The text a Text or Folder key fills.
QString& TextOf(const Setting& row, StoredSettings& s) {
    return row.window == WindowValue::TitleTemplate ? s.ScrollTitle : s.*row.text;
}

// Reads one key into `s`; a missing or unusable value leaves what `s` holds (the default).
void ReadValue(const Setting& row, const std::optional<QString>& raw, StoredSettings& s) {
    if (!raw) return;
    switch (row.type) {
    case SettingType::Twips: {
        const auto v = ParseDecimal(*raw);
        if (!v) return;
        if (row.window == WindowValue::Left) {
            s.FormX = *v;
            s.hasFormX = true;
        } else if (row.window == WindowValue::Top) {
            s.FormY = *v;
            s.hasFormY = true;
        }
        return;
    }
    case SettingType::Boolean:
        if (const auto v = ParseBoolean(*raw)) row.field.set(s, *v ? 1 : 0);
        return;
    case SettingType::Integer:
        if (const auto v = ParseInt16(*raw); v && *v >= row.low && *v <= row.high)
            row.field.set(s, *v);
        return;
    case SettingType::Count:
        // Any number is pulled into 0..101; only a non-number gives 0.
        if (const auto v = ParseRoundedInteger(*raw))
            row.field.set(s, static_cast<int>(std::clamp<long long>(*v, 0, kSlots)));
        return;
    case SettingType::Point:
        // A position inside the collection; 0 (always allowed) otherwise.
        if (const auto v = ParseInt16(*raw); v && *v >= 0 && *v < row.of.get(s))
            row.field.set(s, *v);
        return;
    case SettingType::Text:
    case SettingType::Folder:
        TextOf(row, s) = *raw;
        return;
    }
}

} // namespace

QByteArray WriteSettingsText(const SettingsSnapshot& snapshot) {
    static const PlayerState kFresh{};
    const PlayerState& s = snapshot.state ? *snapshot.state : kFresh;

    QString out;
    out.reserve(4096);
    const auto line = [&out](QStringView text) {
        out += text;
        out += u"\r\n";
    };

    line(u"[player]");
    line(u"Telbo Ver.1.00");
    line(u"2000/10/15");
    line(u"");
    line(u"[Setting]");
    for (const Setting& row : kSettings) {
        out += QStringView(row.key);
        out += u"= ";
        line(ValueText(row, snapshot, s));
    }
    for (const SettingsSection& section : kSettingsSections) {
        line(u"");
        line(section.header);
        const auto& paths = s.*section.paths;
        const int count = ClampCount(section.count.get(s));
        for (int i = 0; i < count; ++i)
            line(QStringLiteral("[%1] ").arg(i, 3, 10, QChar(u'0')) + OneLine(paths[i]));
    }
    return out.toUtf8();
}

std::optional<QString> SettingsValue(QStringView text, QStringView key) {
    if (key.isEmpty()) return std::nullopt;
    const qsizetype p = FindAtLineStart(text, key, 0);
    if (p < 0) return std::nullopt;
    const qsizetype skipped = p + key.size(); // the writer's blank
    if (skipped >= text.size()) return QString();
    return RestOfLine(text, skipped);
}

std::array<QString, kSlots> SectionPaths(QStringView text, QStringView header,
                                         QStringView endHeader, int count) {
    std::array<QString, kSlots> result{};
    count = ClampCount(count);
    if (count == 0 || header.isEmpty()) return result;
    const qsizetype h = FindAtLineStart(text, header, 0);
    if (h < 0) return result;
    const qsizetype begin = NextLine(text, h);
    qsizetype end = endHeader.isEmpty() ? -1 : FindAtLineStart(text, endHeader, begin);
    if (end < 0) end = text.size();

    // One pass over the section's lines, noting where each slot's marker lines start, so a
    // huge section with missing markers costs one scan rather than one scan per slot.
    std::array<std::vector<qsizetype>, kSlots> markers;
    const auto digit = [&](qsizetype i) { return text[i] >= u'0' && text[i] <= u'9'; };
    for (qsizetype ls = begin; ls < end; ls = NextLine(text, ls)) {
        if (ls + kMarkerLength > end || text[ls] != u'[' || !digit(ls + 1) || !digit(ls + 2) ||
            !digit(ls + 3) || text[ls + 4] != u']')
            continue;
        const int slot = (text[ls + 1].unicode() - u'0') * 100 +
                         (text[ls + 2].unicode() - u'0') * 10 + (text[ls + 3].unicode() - u'0');
        if (slot < count) markers[slot].push_back(ls);
    }

    qsizetype point = begin;
    for (int i = 0; i < count; ++i) {
        const auto& at = markers[i];
        const auto it = std::lower_bound(at.begin(), at.end(), point);
        if (it == at.end()) continue; // missing marker: empty entry, search point stays
        const qsizetype skipped = *it + kMarkerLength;
        if (skipped >= end) {
            point = end;
            continue;
        }
        result[i] = RestOfLine(text.first(end), skipped);
        point = LineEnd(text, skipped);
    }
    return result;
}

StoredSettings DefaultSettings(const QString& lastDir) {
    StoredSettings s;
    for (const Setting& row : kSettings) {
        switch (row.type) {
        case SettingType::Boolean:
        case SettingType::Integer:
        case SettingType::Count:
        case SettingType::Point:
            row.field.set(s, row.fallback);
            break;
        case SettingType::Text:
            TextOf(row, s) = QStringView(row.textFallback).toString();
            break;
        case SettingType::Folder:
            TextOf(row, s) = lastDir;
            break;
        case SettingType::Twips:
            break;
        }
    }
    return s;
}

StoredSettings ReadSettingsText(const QByteArray& fileBytes, const QString& lastDirDefault) {
    const QString decoded = QString::fromUtf8(fileBytes.constData(), fileBytes.size());
    const QStringView text(decoded);
    StoredSettings s = DefaultSettings(lastDirDefault);
    for (const Setting& row : kSettings)
        ReadValue(row, SettingsValue(text, QStringView(row.key).toString() + u'='), s);
    // Each section runs to the next one's header (the last to the end of the text).
    for (std::size_t i = 0; i < kSettingsSections.size(); ++i) {
        const SettingsSection& section = kSettingsSections[i];
        const QStringView end = i + 1 < kSettingsSections.size() ? kSettingsSections[i + 1].header
                                                                 : std::u16string_view();
        s.*section.paths = SectionPaths(text, section.header, end, section.count.get(s));
    }
    return s;
}

void AdoptSettings(const StoredSettings& stored, PlayerState& state) {
    for (const Setting& row : kSettings) {
        if (row.field) row.field.set(state, row.field.get(stored));
        if (row.text) state.*row.text = stored.*row.text;
    }
    for (const SettingsSection& section : kSettingsSections)
        state.*section.paths = stored.*section.paths;
}

bool WriteSettingsFile(const QString& path, const SettingsSnapshot& snapshot) {
    return AtomicFile::Write(path, WriteSettingsText(snapshot));
}

std::optional<StoredSettings> ReadSettingsFile(const QString& path, const QString& lastDirDefault) {
    if (QFileInfo(path).isDir()) return std::nullopt; // opening a folder can "succeed"
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.read(ReadLimit(file, kMaxSettingsFileBytes));
    return ReadSettingsText(bytes, lastDirDefault);
}

} // namespace telbo
