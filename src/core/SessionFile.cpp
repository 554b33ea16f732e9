#include "core/SessionFile.h"

#include "core/AtomicFile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace telbo {
namespace {

constexpr int kPresets = 10;
constexpr int kBandLimit = 120;
// A day: further than any track a player resumes into.
constexpr int kMaxSecond = 24 * 60 * 60;

QByteArray Bool(bool b) { return b ? "true" : "false"; }

// A quoted INI string as QSettings reads it: backslash escapes for the quote, the backslash
// and line ends, everything else as UTF-8.
QByteArray Quoted(const QString& text) {
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            // Other control characters have no safe escape; such a path never resumes.
            out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return out + '"';
}

bool ReadBool(const QSettings& ini, const QString& key, bool fallback) {
    const QString v = ini.value(key).toString().trimmed().toLower();
    if (v == u"true" || v == u"1") return true;
    if (v == u"false" || v == u"0") return false;
    return fallback;
}

template <typename T>
T ReadNumber(const QSettings& ini, const QString& key, T low, T high, T fallback) {
    bool ok = false;
    const qlonglong v = ini.value(key).toString().trimmed().toLongLong(&ok);
    if (!ok || v < low || v > high) return fallback;
    return static_cast<T>(v);
}

} // namespace

QByteArray WriteSessionText(const SessionSettings& s) {
    QByteArray out;
    out += "[Display]\n";
    out += "TimeRemaining=" + Bool(s.TimeRemaining) + "\n\n";
    out += "[Equalizer]\n";
    QByteArray bands;
    for (std::size_t i = 0; i < s.Equalizer.size(); ++i)
        bands += (i ? ", " : "") + QByteArray::number(s.Equalizer[i]);
    out += "Bands=" + bands + "\n";
    out += "On=" + Bool(s.EqualizerOn) + "\n";
    out += "Preset=" + QByteArray::number(s.EqualizerPreset) + "\n\n";
    out += "[Resume]\n";
    out += "Enabled=" + Bool(s.Resume) + "\n";
    out += "Modified=" + QByteArray::number(s.TrackModified) + "\n";
    out += "Paused=" + Bool(s.Paused) + "\n";
    out += "Second=" + QByteArray::number(s.Second) + "\n";
    out += "Size=" + QByteArray::number(s.TrackSize) + "\n";
    out += "Track=" + Quoted(s.Track) + "\n";
    return out;
}

SessionSettings ReadSessionFile(const QString& path) {
    SessionSettings s;
    if (!QFileInfo(path).isFile()) return s;
    // Whatever QSettings made of the file, even past a line it could not parse: each value
    // is checked on its own below.
    const QSettings ini(path, QSettings::IniFormat);
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();

    s.TimeRemaining = ReadBool(ini, QStringLiteral("Display/TimeRemaining"), s.TimeRemaining);

    s.EqualizerOn = ReadBool(ini, QStringLiteral("Equalizer/On"), false);
    s.EqualizerPreset = ReadNumber(ini, QStringLiteral("Equalizer/Preset"), 0, kPresets - 1, 0);
    // Ten numbers in range, or the equalizer stays off: half a curve is not what was heard.
    const QStringList bands = ini.value(QStringLiteral("Equalizer/Bands")).toStringList();
    bool bandsOk = bands.size() == static_cast<qsizetype>(s.Equalizer.size());
    for (qsizetype i = 0; bandsOk && i < bands.size(); ++i) {
        const int v = bands[i].trimmed().toInt(&bandsOk);
        bandsOk = bandsOk && v >= -kBandLimit && v <= kBandLimit;
        if (bandsOk) s.Equalizer[static_cast<std::size_t>(i)] = v;
    }
    if (!bandsOk) {
        s.Equalizer = {};
        s.EqualizerOn = false;
        s.EqualizerPreset = 0;
    }

    s.Resume = ReadBool(ini, QStringLiteral("Resume/Enabled"), true);
    s.Track = ini.value(QStringLiteral("Resume/Track")).toString();
    s.TrackSize = ReadNumber<qint64>(ini, QStringLiteral("Resume/Size"), -1, kMax, -1);
    s.TrackModified = ReadNumber<qint64>(ini, QStringLiteral("Resume/Modified"), -1, kMax, -1);
    s.Second = ReadNumber(ini, QStringLiteral("Resume/Second"), 0, kMaxSecond, 0);
    s.Paused = ReadBool(ini, QStringLiteral("Resume/Paused"), false);
    return s;
}

bool WriteSessionFile(const QString& path, const SessionSettings& s) {
    return AtomicFile::Write(path, WriteSessionText(s));
}

QString NewestFile(const QStringList& candidates) {
    QString newest;
    QDateTime newestTime;
    for (const QString& path : candidates) {
        const QFileInfo info(path);
        if (!info.isFile()) continue;
        const QDateTime t = info.lastModified();
        if (newest.isEmpty() || t > newestTime) {
            newest = path;
            newestTime = t;
        }
    }
    return newest;
}

} // namespace telbo
