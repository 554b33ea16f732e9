#include "playlist/ListFileFormat.h"

#include "core/PathNames.h"

#include <QStringDecoder>

#include <array>
#include <utility>

namespace telbo {

namespace {

QString Joined(const QString& entry, const QString& folder) {
    if (IsAbsoluteListEntry(entry) || folder.isEmpty()) return entry;
    if (folder.endsWith(u'/')) return folder + entry;
    return folder + u'/' + entry;
}

bool IsValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

bool IsAbsoluteListEntry(const QString& entry) {
    return entry.startsWith(u'/') || IsWindowsPath(entry);
}

QString FromWindows1252(QByteArrayView bytes) {
    // 0x80..0x9F; 0 where Windows defines nothing (the code point then equals the byte).
    static constexpr std::array<char16_t, 32> kHigh{
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const char16_t mapped = (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : char16_t{0};
        *out++ = QChar(mapped != 0 ? mapped : char16_t{b});
    }
    return text;
}

ListFileParser::ListFileParser(QString listFileFolder, ListTextEncoding encoding,
                               qsizetype maxEntries, qsizetype maxLineBytes)
    : folder_(std::move(listFileFolder)), encoding_(encoding), maxEntries_(maxEntries),
      maxLineBytes_(maxLineBytes) {}

void ListFileParser::EndLine() {
    if (!skipping_ && !line_.isEmpty()) lines_.push_back(std::exchange(line_, {}));
    line_.clear();
    skipping_ = false;
    atLineStart_ = true;
}

bool ListFileParser::Feed(QByteArrayView bytes) {
    if (atStart_ && !bytes.isEmpty()) {
        // The three BOM bytes come in the first piece unless it is shorter than that.
        atStart_ = false;
        if (bytes.startsWith("\xEF\xBB\xBF")) {
            sawBom_ = true;
            bytes = bytes.sliced(3);
        }
    }
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        if (static_cast<qsizetype>(lines_.size()) >= maxEntries_) return false;
        const char c = bytes[i];
        if (c == '\n' && afterCr_) { // the LF of a CR LF
            afterCr_ = false;
            ++i;
            continue;
        }
        afterCr_ = false;
        if (c == '\r' || c == '\n') {
            afterCr_ = c == '\r';
            EndLine();
            ++i;
            continue;
        }
        if (atLineStart_) {
            atLineStart_ = false;
            if (c == '#') skipping_ = true;
        }
        // The run of ordinary bytes up to the next line end, taken in one piece.
        qsizetype end = i;
        while (end < n && bytes[end] != '\r' && bytes[end] != '\n') ++end;
        if (!skipping_) {
            if (line_.size() + (end - i) > maxLineBytes_) {
                skipping_ = true;
                line_.clear();
                line_.squeeze();
            } else {
                line_.append(bytes.sliced(i, end - i));
            }
        }
        i = end;
    }
    return static_cast<qsizetype>(lines_.size()) < maxEntries_;
}

std::vector<ListEntry> ListFileParser::Finish() {
    if (static_cast<qsizetype>(lines_.size()) < maxEntries_) EndLine();
    return Decode();
}

std::vector<ListEntry> ListFileParser::FinishCut() { return Decode(); }

std::vector<ListEntry> ListFileParser::Decode() {
    bool utf8 = encoding_ == ListTextEncoding::Utf8 || sawBom_;
    if (!utf8) {
        utf8 = true;
        for (const QByteArray& line : lines_)
            if (!IsValidUtf8(line)) {
                utf8 = false;
                break;
            }
    }
    std::vector<ListEntry> entries;
    entries.reserve(lines_.size());
    for (const QByteArray& line : lines_) {
        const QString entry = utf8 ? QString::fromUtf8(line) : FromWindows1252(line);
        ListEntry e{Joined(entry, folder_), {}};
        if (entry.contains(u'\\') && !IsWindowsPath(entry)) {
            QString slashed = entry;
            slashed.replace(u'\\', u'/');
            e.legacyPath = Joined(slashed, folder_);
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

QStringList ParseListFile(const QByteArray& bytes, const QString& listFileFolder,
                          ListTextEncoding encoding) {
    ListFileParser parser(listFileFolder, encoding);
    parser.Feed(bytes);
    QStringList paths;
    for (ListEntry& e : parser.Finish()) paths.append(std::move(e.path));
    return paths;
}

QByteArray WriteListFile(const QStringList& paths) {
    QByteArray bytes;
    for (const QString& path : paths) {
        if (path.contains(u'\r') || path.contains(u'\n')) continue;
        bytes += path.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

} // namespace telbo
