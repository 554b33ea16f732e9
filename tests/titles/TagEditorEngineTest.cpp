// The tag editor through the real engine on generated MP3 files: the tags come back from a
// fresh read and the audio is untouched.

#include "FakePlatform.h"
#include "Mp3Fixture.h"

#include "engine/Engine.h"
#include "tags/TagFiles.h"
#include "core/PathNames.h"
#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/Panel.h"
#include "ui/Telbo.h"

#include <gtest/gtest.h>
#include <mpg123.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include <memory>
#include <set>
#include <vector>

using namespace telbo;
using namespace telbo::test;

namespace {

// Every decoded byte of the file, as mpg123 gives it by default.
std::vector<unsigned char> DecodeAll(const std::string& path) {
    std::vector<unsigned char> out;
    int err = MPG123_OK;
    std::unique_ptr<mpg123_handle, decltype(&mpg123_delete)> mh(mpg123_new(nullptr, &err),
                                                                &mpg123_delete);
    if (!mh) return out;
    mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    if (mpg123_open(mh.get(), path.c_str()) != MPG123_OK) return out;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(mh.get(), &rate, &channels, &encoding) != MPG123_OK) return out;
    std::vector<unsigned char> block(16384);
    for (;;) {
        size_t done = 0;
        const int r = mpg123_read(mh.get(), block.data(), block.size(), &done);
        out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(done));
        if (r != MPG123_OK) break;
    }
    mpg123_close(mh.get());
    return out;
}

// The genre list as start-up fills it, from the engine's names, and the tracks in the list.
void ShowTracks(Telbo& w, const std::vector<std::string>& paths) {
    {
        const QSignalBlocker block(w.ui.cmbTagGenre);
        for (int n = 0; n <= 147; ++n) {
            w.st.EditTag.GenreNumber = n;
            w.tags.FillGenreName(w.st.EditTag);
            w.ui.cmbTagGenre->addItem(QString::fromStdString(w.st.EditTag.GenreName.Shown()));
        }
        w.ui.cmbTagGenre->setCurrentIndex(-1);
    }
    const QSignalBlocker block(w.ui.lstFile[1]);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        w.st.TitleFiles[i] = QString::fromStdString(paths[i]);
        w.ui.lstFile[1]->addItem(DisplayName(w.st.TitleFiles[i]));
    }
    w.st.KO = static_cast<std::int16_t>(paths.size());
}

void OpenEditor(Telbo& w) {
    w.ui.lstFile[1]->setCurrentRow(0);
    emit w.ui.lblShowTag->clicked();
    emit w.ui.lblShowTag->clicked();
}

TEST(TagEditorEngine, SetAllWithNumWritesTagsAndKeepsTheAudio) {
    FakePlatform platform;
    const std::filesystem::path folder = platform.dir.path().toStdString();
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        ToneSpec tone;
        tone.frequencyHz = 300.0 + 200 * i;
        tone.seconds = 0.6;
        tone.channels = i == 1 ? 1 : 2;
        paths.push_back(
            WriteToneMp3(folder, "track" + std::to_string(i + 1) + ".mp3", tone).string());
    }
    // One file already tagged (old version 2.3 and a version 1 tag), one version 2.4, one bare.
    WriteTags(paths[0], TagSpec{"Old", "Someone", "Record", "note", "Jazz", 1987, 3, true, false});
    WriteTags(paths[1], TagSpec{"Other", "", "", "", "", 0, 4, false, false});
    std::vector<std::vector<unsigned char>> audio;
    for (const auto& p : paths) {
        audio.push_back(DecodeAll(p));
        ASSERT_FALSE(audio.back().empty()) << p;
    }

    Engine::Options silent;
    silent.nullAudio = true;
    Engine engine(silent);
    tags::TagFiles tagFiles;
    engine.Init();
    {
        Telbo w(engine, tagFiles, platform);
        ShowTracks(w, paths);
        OpenEditor(w);
        ASSERT_EQ(w.st.TagShowFlag, TagPanel::Editor);
        EXPECT_EQ(w.ui.txtTagData[0]->text(), "Old");
        EXPECT_EQ(w.ui.txtTagData[3]->text(), "1987");

        w.ui.txtTagData[0]->setText("Song ");
        w.ui.txtTagData[1]->setText("Band");
        w.ui.txtTagData[3]->setText("2001");
        w.ui.cmbTagGenre->setCurrentIndex(17);
        emit w.ui.lblTagSet[2]->clicked(); // SetAllWithNum

        // The editor reloads the selected track: the padding never reached the file.
        EXPECT_EQ(w.ui.txtTagData[0]->text(), "Song 01");
        EXPECT_EQ(w.ui.txtTagData[1]->text(), "Band");
    }
    engine.Shutdown();

    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        TagRecord tag;
        ASSERT_TRUE(tagFiles.Read(paths[i], tag));
        EXPECT_EQ(tag.Title.Shown(), "Song 0" + std::to_string(i + 1));
        EXPECT_EQ(tag.Artist.Shown(), "Band");
        // Album and comment were not touched: each track keeps its own.
        EXPECT_EQ(tag.Album.Shown(), i == 0 ? "Record" : "");
        EXPECT_EQ(tag.Year.Shown(), "2001");
        EXPECT_EQ(tag.GenreNumber, 17);
        EXPECT_EQ(tag.Comment.Shown(), i == 0 ? "note" : "");
        EXPECT_EQ(DecodeAll(paths[i]), audio[i]);
    }
}

// An album renamed with "SetAll": every track gets the album and keeps the rest of its own
// tag and its audio.
TEST(TagEditorEngine, SetAllWithTheAlbumChangedKeepsEachTracksOwnFields) {
    FakePlatform platform;
    std::vector<std::string> paths;
    std::vector<std::vector<unsigned char>> audio;
    for (const TagSpec& tagged :
         {TagSpec{"First", "Alpha", "Draft", "one", "Jazz", 1987, 3, true, false},
          TagSpec{"Second", "", "", "", "Rock", 0, 4, false, false}}) {
        paths.push_back(
            WriteToneMp3(platform.dir.path().toStdString(), tagged.title + ".mp3", {}).string());
        WriteTags(paths.back(), tagged);
        audio.push_back(DecodeAll(paths.back()));
    }
    Engine::Options silent;
    silent.nullAudio = true;
    Engine engine(silent);
    tags::TagFiles tagFiles;
    engine.Init();
    std::vector<TagRecord> before(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i)
        tagFiles.Read(paths[i], before[i]);
    {
        Telbo w(engine, tagFiles, platform);
        ShowTracks(w, paths);
        OpenEditor(w);
        w.ui.txtTagData[2]->setText("Final");
        emit w.ui.lblTagSet[1]->clicked(); // SetAll
        EXPECT_EQ(w.ui.frmTag[1]->caption(), "TagSet");
    }
    engine.Shutdown();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        TagRecord tag, want = before[i];
        want.Album.Fill("Final");
        ASSERT_TRUE(tagFiles.Read(paths[i], tag));
        EXPECT_EQ(tag, want) << paths[i];
        EXPECT_EQ(DecodeAll(paths[i]), audio[i]) << paths[i];
    }
}

// What the editor may change: the record's frames and the comment without a description.
bool HeldByRecord(const RawFrame& f) {
    static const std::set<std::string> ids = {"TIT2", "TPE1", "TALB", "TYER", "TDRC", "TCON",
                                              "TT2",  "TP1",  "TAL",  "TYE",  "TCO"};
    if (ids.count(f.id)) return true;
    const std::vector<std::uint8_t>& c = f.content;
    if ((f.id != "COMM" && f.id != "COM") || c.size() < 5) return false;
    std::size_t at = 4;
    if ((c[0] == 1 || c[0] == 2) && c.size() >= 6 && (c[4] == 0xFF || c[4] == 0xFE)) at = 6;
    return c[0] == 1 || c[0] == 2 ? c.size() >= at + 2 && c[at] == 0 && c[at + 1] == 0 : c[4] == 0;
}

std::vector<RawFrame> NotHeld(const std::vector<RawFrame>& frames) {
    std::vector<RawFrame> out;
    for (const RawFrame& f : frames)
        if (!HeldByRecord(f)) out.push_back(f);
    return out;
}

std::size_t CountOf(const std::vector<std::uint8_t>& bytes, const std::string& what) {
    std::size_t n = 0;
    for (auto it = bytes.begin();
         (it = std::search(it, bytes.end(), what.begin(), what.end())) != bytes.end(); ++it)
        ++n;
    return n;
}

// Files tagged the ways other programs tag them: "Set" with nothing changed leaves each byte
// for byte; "Set" with every field changed changes only the frames of those fields, keeps
// the tag version, the ID3v1 and APE tags' presence, and every decoded sample.
TEST(TagEditorEngine, SetChangesExactlyTheFieldsOfTheRecord) {
    FakePlatform platform;
    const std::filesystem::path folder = platform.dir.path().toStdString();
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0x0D, 'I', 'H', 'D', 'R'};
    auto with = [](std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    auto text = [](const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
    struct Corpus {
        std::string name;
        int major; // 0: tags written by TagLib, or none
        std::vector<RawFrame> frames;
        TagSpec trailing; // ID3v1 and APE tags, or TagLib's own ID3v2
    };
    std::string longName;
    while (longName.size() < 246) longName += "あ";
    auto F = [](const char* id, std::vector<std::uint8_t> content, std::uint16_t flags = 0) {
        return RawFrame{id, std::move(content), flags};
    };
    const std::vector<Corpus> corpus = {
        {"itunes-v23.mp3", 3,
         {F("TIT2", TextContent("Ünïcode 日本語", 1)), F("TPE1", TextContent("Artist")),
          F("TALB", TextContent("Album")), F("TYER", TextContent("99")), F("TCON", TextContent("rock")),
          F("COMM", CommentContent("", "plain note")),
          F("COMM", CommentContent("iTunNORM", " 00000304 000002F1 00001A2B")),
          F("COMM", CommentContent("ID3v1 Comment", "v1 note")),
          F("TXXX", with(TextContent("REPLAYGAIN_TRACK_GAIN"), text(std::string("\0-6.20 dB", 9)))),
          F("TRCK", TextContent("3/12")),
          F("APIC", with(text(std::string("\0image/png\0\x03\0", 13)), png)),
          F("TENC", TextContent("LAME 3.100"), 0x4000)},
         {"Unicode", "Artist", "Album", "v1 note", "Rock", 1999, 0, true, false}},
        {"custom-v24.mp3", 4,
         {F("TIT2", TextContent("東京の夜", 3)), F("TPE1", TextContent("アーティスト", 3)),
          F("TCON", TextContent("Shoegaze")), F("TDRC", TextContent("2003-05-12")),
          F("USLT", CommentContent("", "la la la")),
          F("TXXX", with(TextContent("MusicBrainz Album Id", 3), text(std::string("\0abc-123", 8)))),
          F("COMM", CommentContent("iTunSMPB", " 00000000 00000210")),
          F("PRIV", text(std::string("owner\0\x01\x02", 8)))},
         {"Tokyo", "", "", "from v1", "", 2003, 0, true, true}},
        {"taglib-v23.mp3", 0, {}, {"Plain", "Someone", "Record", "note", "Rock", 1987, 3, true, false}},
        {"v22.mp3", 2,
         {F("TT2", TextContent("Old tune")), F("TP1", TextContent("Someone")), F("TYE", TextContent("1985")),
          F("TCO", TextContent("(17)")), F("COM", CommentContent("", "note")),
          F("RVA", {0x03, 0x10, 0x01, 0x00, 0x01, 0x00}), F("TDA", TextContent("0512")),
          F("PIC", with(text(std::string("\0PNG\x03\0", 6)), png))},
         {}},
        {longName + ".mp3", 4, {F("TIT2", TextContent("Long")), F("TCON", TextContent("Chiptune Metal")),
                                F("TXXX", with(TextContent("CATALOG"), text(std::string("\0X-1", 4))))},
         {}},
        {"bare.mp3", 0, {}, {}},
    };
    std::vector<std::string> paths;
    for (const Corpus& c : corpus) {
        ToneSpec tone;
        tone.seconds = 0.4;
        const auto path = WriteToneMp3(folder, c.name, tone);
        if (c.trailing.id3v1 || c.trailing.ape || c.trailing.id3v2Version == 3) {
            TagSpec trailing = c.trailing;
            if (c.major) trailing.id3v2Version = 0;
            WriteTags(path, trailing);
        }
        if (c.major) PrependId3v2(path, c.major, c.frames, 256);
        paths.push_back(path.string());
    }
    std::vector<std::vector<std::uint8_t>> before, audio;
    for (const auto& p : paths) {
        before.push_back(ReadBytes(p));
        audio.push_back(DecodeAll(p));
        ASSERT_FALSE(audio.back().empty()) << p;
    }

    Engine::Options silent;
    silent.nullAudio = true;
    Engine engine(silent);
    tags::TagFiles tagFiles;
    engine.Init();
    Telbo w(engine, tagFiles, platform);
    ShowTracks(w, paths);
    OpenEditor(w);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        w.ui.lstFile[1]->setCurrentRow(static_cast<int>(i));
        emit w.ui.lblTagSet[0]->clicked(); // Set, nothing changed
        EXPECT_EQ(w.ui.frmTag[1]->caption(), "TagSet");
        EXPECT_EQ(ReadBytes(paths[i]), before[i]);
    }

    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        int majorBefore = 0, majorAfter = 0;
        const std::vector<RawFrame> framesBefore = ReadId3v2Frames(paths[i], &majorBefore);
        w.ui.lstFile[1]->setCurrentRow(static_cast<int>(i));
        w.ui.txtTagData[0]->setText("Neuer Titel");
        w.ui.txtTagData[1]->setText("新しい"); // ID3v1 cannot hold it: keeps its artist
        w.ui.txtTagData[2]->setText("Album 2");
        w.ui.txtTagData[3]->setText("7");
        w.ui.cmbTagGenre->setEditText("hard rock");
        w.ui.txtTagData[4]->setText("new note");
        emit w.ui.lblTagSet[0]->clicked();
        EXPECT_EQ(w.ui.frmTag[1]->caption(), "TagSet");

        const std::vector<std::uint8_t> after = ReadBytes(paths[i]);
        const std::vector<RawFrame> framesAfter = ReadId3v2Frames(paths[i], &majorAfter);
        EXPECT_EQ(majorAfter, majorBefore ? majorBefore : 4);
        EXPECT_EQ(NotHeld(framesAfter), NotHeld(framesBefore));
        EXPECT_EQ(framesAfter.size() - NotHeld(framesAfter).size(), 6u); // one frame per field
        EXPECT_EQ(CountOf(after, "APETAGEX"), CountOf(before[i], "APETAGEX"));
        auto hasId3v1 = [](const std::vector<std::uint8_t>& b) {
            return b.size() >= 128 && std::equal(b.end() - 128, b.end() - 125, "TAG");
        };
        EXPECT_EQ(hasId3v1(after), hasId3v1(before[i]));
        EXPECT_EQ(DecodeAll(paths[i]), audio[i]);

        TagRecord tag;
        ASSERT_TRUE(tagFiles.Read(paths[i], tag));
        EXPECT_EQ(tag.Title.Shown(), "Neuer Titel");
        EXPECT_EQ(tag.Artist.Shown(), "新しい");
        EXPECT_EQ(tag.Album.Shown(), "Album 2");
        EXPECT_EQ(tag.Year.Shown(), "7");
        EXPECT_EQ(tag.GenreName.Shown(), "hard rock");
        EXPECT_EQ(tag.GenreNumber, 79);
        EXPECT_EQ(tag.Comment.Shown(), "new note");
    }
}

} // namespace
