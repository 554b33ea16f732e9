#include "core/SessionFile.h"

#include "core/AtomicFile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFile>
#include <QMap>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace telbo {
namespace {

constexpr int kPresets = 10;
constexpr double kMaxPreampDb = 15;
constexpr int kBandLimit = 120;
// A day: further than any track a player resumes into.
constexpr int kMaxSecond = 24 * 60 * 60;
// Sound servers name outputs in a few dozen characters.
constexpr qsizetype kMaxDeviceName = 512;

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

// The values of an INI text by "Section/Key", as QSettings reads the plain forms we write: a
// quoted value with backslash escapes, or the bare text (lists split at commas later).
// Comments, blank lines and lines that are neither a section nor a key are passed over; the
// first value of a key wins.
QMap<QString, QString> IniValues(const QByteArray& bytes) {
    QMap<QString, QString> values;
    QString section;
    for (QByteArray line : bytes.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            if (close > 0) section = QString::fromUtf8(line.mid(1, close - 1)).trimmed();
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0) continue;
        const QString key = section + u'/' + QString::fromUtf8(line.left(eq)).trimmed();
        QByteArray raw = line.mid(eq + 1).trimmed();
        if (raw.startsWith('"')) {
            QByteArray text;
            for (qsizetype i = 1; i < raw.size() && raw[i] != '"'; ++i) {
                if (raw[i] != '\\' || i + 1 == raw.size()) {
                    text += raw[i];
                    continue;
                }
                const char c = raw[++i];
                text += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
            }
            raw = text;
        }
        if (!values.contains(key)) values.insert(key, QString::fromUtf8(raw));
    }
    return values;
}

bool ReadBool(const QMap<QString, QString>& ini, const QString& key, bool fallback) {
    const QString v = ini.value(key).trimmed().toLower();
    if (v == u"true" || v == u"1") return true;
    if (v == u"false" || v == u"0") return false;
    return fallback;
}

template <typename T>
T ReadNumber(const QMap<QString, QString>& ini, const QString& key, T low, T high, T fallback) {
    bool ok = false;
    const qlonglong v = ini.value(key).trimmed().toLongLong(&ok);
    if (!ok || v < low || v > high) return fallback;
    return static_cast<T>(v);
}

// A pre-amp in dB, -15..15; 0 for anything else.
double ReadDb(const QMap<QString, QString>& ini, const QString& key) {
    bool ok = false;
    const double v = ini.value(key).trimmed().toDouble(&ok);
    return ok && v >= -kMaxPreampDb && v <= kMaxPreampDb ? v : 0.0;
}

} // namespace

QString ReplayGainModeName(ReplayGainMode mode) {
    switch (mode) {
    case ReplayGainMode::Off: return QStringLiteral("Off");
    case ReplayGainMode::Track: return QStringLiteral("Track");
    case ReplayGainMode::Album: return QStringLiteral("Album");
    case ReplayGainMode::Auto: return QStringLiteral("Auto");
    }
    return QStringLiteral("Auto");
}

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
    out += "[Output]\n";
    out += "Device=" + Quoted(s.OutputDevice) + "\n\n";
    out += "[ReplayGain]\n";
    out += "ClipPrevention=" + Bool(s.ReplayGain.ClipPrevention) + "\n";
    out += "Mode=" + ReplayGainModeName(s.ReplayGain.Mode).toUtf8() + "\n";
    out += "Preamp=" + QByteArray::number(s.ReplayGain.Preamp, 'f', 1) + "\n";
    out += "UntaggedPreamp=" + QByteArray::number(s.ReplayGain.UntaggedPreamp, 'f', 1) + "\n\n";
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
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return {};
    return ReadSessionText(file.read(kMaxSessionFileBytes));
}

SessionSettings ReadSessionText(const QByteArray& text) {
    SessionSettings s;
    const QMap<QString, QString> ini = IniValues(text);
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();

    s.TimeRemaining = ReadBool(ini, QStringLiteral("Display/TimeRemaining"), s.TimeRemaining);

    s.EqualizerOn = ReadBool(ini, QStringLiteral("Equalizer/On"), false);
    s.EqualizerPreset = ReadNumber(ini, QStringLiteral("Equalizer/Preset"), 0, kPresets - 1, 0);
    // Ten numbers in range, or the equalizer stays off: half a curve is not what was heard.
    const QStringList bands = ini.value(QStringLiteral("Equalizer/Bands")).split(u',');
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

    // A name with control characters or of absurd length is no server's: the default plays.
    const QString device = ini.value(QStringLiteral("Output/Device")).trimmed();
    const bool deviceOk = device.size() <= kMaxDeviceName &&
                          std::none_of(device.begin(), device.end(),
                                       [](QChar c) { return c.unicode() < 0x20 || c == u'\x7f'; });
    s.OutputDevice = deviceOk ? device : QString();

    const QString mode = ini.value(QStringLiteral("ReplayGain/Mode")).trimmed();
    for (const ReplayGainMode m : kReplayGainModes)
        if (mode.compare(ReplayGainModeName(m), Qt::CaseInsensitive) == 0) s.ReplayGain.Mode = m;
    s.ReplayGain.Preamp = ReadDb(ini, QStringLiteral("ReplayGain/Preamp"));
    s.ReplayGain.UntaggedPreamp = ReadDb(ini, QStringLiteral("ReplayGain/UntaggedPreamp"));
    s.ReplayGain.ClipPrevention = ReadBool(ini, QStringLiteral("ReplayGain/ClipPrevention"), true);

    s.Resume = ReadBool(ini, QStringLiteral("Resume/Enabled"), true);
    s.Track = ini.value(QStringLiteral("Resume/Track"));
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
