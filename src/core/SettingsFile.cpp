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

constexpr double kMaxFormSmallWidth = 32767; // twips; FormSmallWidth is 16-bit

int ClampCount(int count) { return std::clamp(count, 0, kSlots); }

// Reads the values of one file. Each Get* returns the default when the key is missing or
// its value is unusable.
class ValueReader {
public:
    explicit ValueReader(QStringView text) : text_(text) {}

    std::optional<QString> Raw(QStringView key) const { return SettingsValue(text_, key); }

    bool GetBool(QStringView key, bool fallback) const {
        const auto raw = Raw(key);
        if (!raw) return fallback;
        return ParseBoolean(*raw).value_or(fallback);
    }
    std::int16_t GetInt(QStringView key, int low, int high, std::int16_t fallback) const {
        const auto raw = Raw(key);
        if (!raw) return fallback;
        const auto v = ParseInt16(*raw);
        if (!v || *v < low || *v > high) return fallback;
        return *v;
    }
    // Collection sizes: any number is pulled into 0..101; only a non-number gives 0.
    std::int16_t GetCount(QStringView key) const {
        const auto raw = Raw(key);
        if (!raw) return 0;
        const auto v = ParseRoundedInteger(*raw);
        if (!v) return 0;
        return static_cast<std::int16_t>(std::clamp<long long>(*v, 0, kSlots));
    }
    // A position inside a collection of `count` entries; 0 (always allowed) otherwise.
    std::int16_t GetPoint(QStringView key, int count) const {
        const std::int16_t v = GetInt(key, -32768, 32767, 0);
        return (v >= 0 && v < count) ? v : std::int16_t{0};
    }
    std::optional<double> GetPosition(QStringView key) const {
        const auto raw = Raw(key);
        if (!raw) return std::nullopt;
        return ParseDecimal(*raw);
    }
    QString GetText(QStringView key, const QString& fallback) const {
        return Raw(key).value_or(fallback);
    }

private:
    QStringView text_;
};

} // namespace

QByteArray WriteSettingsText(const SettingsSnapshot& snapshot) {
    static const PlayerState kFresh{};
    const PlayerState& s = snapshot.state ? *snapshot.state : kFresh;
    const int ko = ClampCount(s.KO);
    const int listKo = ClampCount(s.ListKO);

    QString out;
    out.reserve(4096);
    const auto line = [&out](QStringView text) {
        out += text;
        out += u"\r\n";
    };
    const auto key = [&line](QStringView name, const QString& value) {
        line(name.toString() + QStringLiteral("= ") + value);
    };
    const auto boolean = [](bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); };
    const auto integer = [](int v) { return QString::number(v); };
    const auto entries = [&line](const std::array<QString, kSlots>& paths, int count) {
        for (int i = 0; i < count; ++i)
            line(QStringLiteral("[%1] ").arg(i, 3, 10, QChar(u'0')) + OneLine(paths[i]));
    };

    line(u"[player]");
    line(u"Telbo Ver.1.00");
    line(u"2000/10/15");
    line(u"");
    line(u"[Setting]");
    key(u"FormX", FormatTwips(snapshot.formX));
    key(u"FormY", FormatTwips(snapshot.formY));
    key(u"LockFlag", boolean(s.LockFlag));
    key(u"MinFlag", boolean(s.MinFlag));
    // A strip docked across a screen wider than FormSmallWidth can hold would read back as the
    // default width: store the widest it can hold instead.
    key(u"FormSmallWidth", FormatTwips(std::min(snapshot.formWidth, kMaxFormSmallWidth)));
    key(u"ConfigSave", boolean(s.ConfigSave));
    key(u"PlayTypeFlag", integer(s.PlayTypeFlag));
    key(u"NextTypeFlag", integer(s.NextTypeFlag));
    key(u"TagShowFlag", integer(s.TagShowFlag));
    key(u"ScrollFlag", boolean(s.ScrollFlag));
    key(u"AutoPlay", boolean(s.AutoPlay));
    key(u"DownListFlag", boolean(s.DownListFlag));
    key(u"DownConfigFlag", boolean(s.DownConfigFlag));
    key(u"Volume", integer(s.Volume));
    key(u"ScrollSpeed", integer(s.ScrollSpeed));
    key(u"PlaySpeed", integer(s.PlaySpeed));
    key(u"SamplingRate", integer(static_cast<int>(s.SamplingRate)));
    key(u"StereoConf", integer(static_cast<int>(s.StereoConf)));
    key(u"ScrollTitle", OneLine(snapshot.titleTemplate));
    key(u"LastDir", OneLine(s.LastDir));
    key(u"KO", integer(ko));
    key(u"ListKO", integer(listKo));
    key(u"PlayPoint", integer(s.PlayPoint));
    key(u"ListPoint", integer(s.ListPoint));
    line(u"");
    line(u"[List]");
    entries(s.ListFiles, listKo);
    line(u"");
    line(u"[Title]");
    entries(s.TitleFiles, ko);
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

StoredSettings ReadSettingsText(const QByteArray& fileBytes, const QString& lastDirDefault) {
    const QString decoded = QString::fromUtf8(fileBytes.constData(), fileBytes.size());
    const QStringView text(decoded);
    const ValueReader r(text);
    StoredSettings s;

    if (const auto x = r.GetPosition(u"FormX=")) {
        s.FormX = *x;
        s.hasFormX = true;
    }
    if (const auto y = r.GetPosition(u"FormY=")) {
        s.FormY = *y;
        s.hasFormY = true;
    }
    s.LockFlag = r.GetBool(u"LockFlag=", false);
    s.MinFlag = r.GetBool(u"MinFlag=", false);
    s.FormSmallWidth = r.GetInt(u"FormSmallWidth=", 1, 32767, kDefaultFormSmallWidth);
    s.ConfigSave = r.GetBool(u"ConfigSave=", false);
    s.PlayTypeFlag = r.GetInt(u"PlayTypeFlag=", 0, 4, 0);
    s.NextTypeFlag = r.GetInt(u"NextTypeFlag=", 0, 3, 0);
    s.TagShowFlag = r.GetInt(u"TagShowFlag=", 0, 2, 0);
    s.ScrollFlag = r.GetBool(u"ScrollFlag=", false);
    s.AutoPlay = r.GetBool(u"AutoPlay=", false);
    s.DownListFlag = r.GetBool(u"DownListFlag=", false);
    s.DownConfigFlag = r.GetBool(u"DownConfigFlag=", false);
    s.Volume = r.GetInt(u"Volume=", 0, 100, 100);
    s.ScrollSpeed = r.GetInt(u"ScrollSpeed=", -300, 300, -100);
    s.PlaySpeed = r.GetInt(u"PlaySpeed=", 20, 300, 100);
    s.SamplingRate = r.GetInt(u"SamplingRate=", 0, 2, 0);
    s.StereoConf = r.GetInt(u"StereoConf=", 0, 1, 0);
    s.ScrollTitle = r.GetText(u"ScrollTitle=", QStringLiteral("%0"));
    s.LastDir = r.GetText(u"LastDir=", lastDirDefault);
    s.KO = r.GetCount(u"KO=");
    s.ListKO = r.GetCount(u"ListKO=");
    s.PlayPoint = r.GetPoint(u"PlayPoint=", s.KO);
    s.ListPoint = r.GetPoint(u"ListPoint=", s.ListKO);
    s.ListFiles = SectionPaths(text, u"[List]", u"[Title]", s.ListKO);
    s.TitleFiles = SectionPaths(text, u"[Title]", {}, s.KO);
    return s;
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
