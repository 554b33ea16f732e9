// "SetAllWithNum" through the real engine on generated MP3 files: the tags come back from a
// fresh read and the audio is untouched.

#include "FakePlatform.h"
#include "Mp3Fixture.h"

#include "engine/Engine.h"
#include "playlist/PathNames.h"
#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/Telbo.h"

#include <gtest/gtest.h>
#include <mpg123.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include <memory>
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
    engine.vbmp3_init();
    {
        Telbo w(engine, platform);
        // The genre list as start-up fills it, from the engine's names.
        {
            const QSignalBlocker block(w.ui.cmbTagGenre);
            for (int n = 0; n <= 147; ++n) {
                w.st.EditTag.GenreNumber = n;
                engine.vbmp3_getGenre(w.st.EditTag);
                w.ui.cmbTagGenre->addItem(QString::fromStdString(w.st.EditTag.GenreName.Shown()));
            }
            w.ui.cmbTagGenre->setCurrentIndex(-1);
        }
        {
            const QSignalBlocker block(w.ui.lstFile[1]);
            for (std::size_t i = 0; i < paths.size(); ++i) {
                w.st.TitleFiles[i] = QString::fromStdString(paths[i]);
                w.ui.lstFile[1]->addItem(DisplayName(w.st.TitleFiles[i]));
            }
            w.st.KO = static_cast<std::int16_t>(paths.size());
        }
        w.ui.lstFile[1]->setCurrentRow(0);
        emit w.ui.lblShowTag->clicked();
        emit w.ui.lblShowTag->clicked();
        ASSERT_EQ(w.st.TagShowFlag, 2);
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
    engine.vbmp3_free();

    Engine fresh(silent);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        TagRecord tag;
        ASSERT_TRUE(fresh.vbmp3_getFileTagInfo(paths[i], tag));
        EXPECT_EQ(tag.Title.Shown(), "Song 0" + std::to_string(i + 1));
        EXPECT_EQ(tag.Artist.Shown(), "Band");
        EXPECT_EQ(tag.Album.Shown(), "Record"); // the editor's album went to every track
        EXPECT_EQ(tag.Year.Shown(), "2001");
        EXPECT_EQ(tag.GenreNumber, 17);
        EXPECT_EQ(tag.Comment.Shown(), "note");
        EXPECT_EQ(DecodeAll(paths[i]), audio[i]);
    }
}

} // namespace
