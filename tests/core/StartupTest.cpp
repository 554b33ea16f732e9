// Start-up and shut-down of the real window with the fake engine and platform.
#include "TelboFixture.h"
#include "core/SettingsFile.h"
#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>

namespace telbo::test {
namespace {

class StartupTest : public TelboFixture {};

TEST_F(StartupTest, FirstStartUsesTheDefaultsAndSavesNothing) {
    Start();
    const PlayerState& st = w->st;
    EXPECT_EQ(engine.calls.value(0), QStringLiteral("init"));
    EXPECT_EQ(w->Width(), 5475);
    EXPECT_EQ(w->Height(), 1635);
    EXPECT_EQ(st.Volume, 100);
    EXPECT_EQ(st.PlaySpeed, 100);
    EXPECT_EQ(st.ScrollSpeed, -100);
    EXPECT_EQ(st.FormSmallWidth, 5475);
    EXPECT_EQ(st.LastDir, platform.startFolder()); // where music is, not the settings folder
    EXPECT_FALSE(st.ConfigSave);
    EXPECT_EQ(st.KO, 0);
    EXPECT_EQ(st.ListKO, 0);
    EXPECT_FALSE(st.MinFlag || st.DownListFlag || st.DownConfigFlag || st.LockFlag || st.ScrollFlag);
    EXPECT_EQ(w->ui.tmrTime->interval(), 200);
    EXPECT_FALSE(w->ui.tmrTime->isActive());
    EXPECT_EQ(w->ui.tmrScroll->interval(), 100);
    EXPECT_FALSE(w->ui.tmrScroll->isActive());
    // Nothing plays, the sliders were not sent.
    EXPECT_TRUE(engine.callsStartingWith(QStringLiteral("open")).isEmpty());
    EXPECT_TRUE(engine.callsStartingWith(QStringLiteral("setVolume")).isEmpty());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("♪"));
    Close();
    EXPECT_TRUE(engine.calls.contains(QStringLiteral("shutdown")));
    EXPECT_TRUE(ReadConfig().isEmpty());
    EXPECT_EQ(platform.endProgramCalls, 1);
}

TEST_F(StartupTest, ProgramFolderIsMadeOnlyToSaveAndLosesTheLeftoversOfAKilledSave) {
    platform.folder = platform.path(QStringLiteral("home/.config/telbo"));
    Start();
    EXPECT_FALSE(QFileInfo::exists(platform.folder));
    w->st.ConfigSave = true;
    Close();
    EXPECT_TRUE(QFileInfo(platform.folder + QStringLiteral("/config.ini")).isFile());

    // What a save killed half-way left: only our own temporaries go.
    TearDown();
    const QStringList leftovers{QStringLiteral("config.ini.tmp-0a1b2c3d"),
                                QStringLiteral(".telbo-89abcdef.tmp")};
    const QStringList kept{QStringLiteral("config.ini"), QStringLiteral("config.ini.tmp-mine"),
                           QStringLiteral("notes.tmp")};
    for (const QString& name : leftovers + QStringList{kept[1], kept[2]})
        QFile(platform.folder + u'/' + name).open(QIODevice::WriteOnly);
    Start();
    EXPECT_EQ(QDir(platform.folder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{kept[0], kept[1], kept[2], QStringLiteral("telbo.ini")}));
}

TEST_F(StartupTest, GenreListHoldsTheEnginesNamesInOrder) {
    Start();
    QComboBox* genres = w->ui.cmbTagGenre;
    ASSERT_EQ(genres->count(), 148);
    for (int n = 0; n < 148; ++n)
        EXPECT_EQ(genres->itemText(n).toStdString(), FakeEngine::GenreName(n));
    EXPECT_EQ(genres->currentIndex(), -1);
    EXPECT_EQ(genres->currentText(), QStringLiteral("Genre"));
}

TEST_F(StartupTest, ExitWithSavingOffLeavesTheFileUntouched) {
    const QByteArray original = "[Setting]\r\nConfigSave= False\r\nVolume= 40\r\n";
    WriteConfig(original);
    Start();
    EXPECT_EQ(w->st.Volume, 40);
    Close();
    EXPECT_EQ(ReadConfig(), original);
}

TEST_F(StartupTest, ExitWithSavingOnWritesEvenWhenNothingChanged) {
    Start();
    w->st.ConfigSave = true;
    Close();
    const QByteArray text = ReadConfig();
    EXPECT_TRUE(text.startsWith("[player]\r\nTelbo Ver.1.00\r\n2000/10/15\r\n\r\n[Setting]\r\n"));
    EXPECT_TRUE(text.contains("\r\nConfigSave= True\r\n"));
    EXPECT_TRUE(text.contains("\r\nFormSmallWidth= 5475\r\n"));
    EXPECT_TRUE(text.contains("\r\nScrollTitle= %0\r\n"));
    EXPECT_TRUE(text.endsWith("[List]\r\n\r\n[Title]\r\n"));
}

TEST_F(StartupTest, StoredValuesComeBack) {
    Start();
    PlayerState& st = w->st;
    st.ConfigSave = true;
    st.Volume = 55;
    st.PlaySpeed = 150;
    st.ScrollSpeed = 40;
    st.PlayTypeFlag = PlayMode::Random;
    st.NextTypeFlag = ListEndAction::NextList;
    st.LastDir = QStringLiteral("/music/Über dir");
    const QStringList tracks = MakeTracks(3);
    SetTracks(tracks);
    st.PlayPoint = 2;
    st.ListFiles[0] = QStringLiteral("/lists/a b=c.m3u");
    st.ListKO = 1;
    w->ui.txtScrollTitle->setText(QStringLiteral("%2 - %1"));
    w->SetLeft(1500);
    w->SetTop(2400);
    Close();

    TearDown();
    engine.clearCalls();
    Start();
    const PlayerState& again = w->st;
    EXPECT_TRUE(again.ConfigSave);
    EXPECT_EQ(again.Volume, 55);
    EXPECT_EQ(again.PlaySpeed, 150);
    EXPECT_EQ(again.ScrollSpeed, 40);
    EXPECT_EQ(again.PlayTypeFlag, PlayMode::Random);
    EXPECT_EQ(again.NextTypeFlag, ListEndAction::NextList);
    EXPECT_EQ(again.LastDir, QStringLiteral("/music/Über dir"));
    EXPECT_EQ(again.KO, 3);
    EXPECT_EQ(again.PlayPoint, 2);
    EXPECT_EQ(again.TitleFiles[2], tracks[2]);
    EXPECT_EQ(again.ListKO, 1);
    EXPECT_EQ(again.ListFiles[0], QStringLiteral("/lists/a b=c.m3u"));
    EXPECT_EQ(w->ui.txtScrollTitle->text(), QStringLiteral("%2 - %1"));
    EXPECT_EQ(w->Left(), 1500);
    EXPECT_EQ(w->Top(), 2400);
    // The sliders show the restored values and the engine was told.
    EXPECT_EQ(w->ui.sclConfig[0]->value(), 55);
    EXPECT_EQ(w->ui.sclConfig[1]->value(), 150);
    EXPECT_EQ(w->ui.sclConfig[2]->value(), 40);
}

TEST_F(StartupTest, SavedPositionIsWhereTheDesktopLastPutTheWindow) {
    Start();
    w->st.ConfigSave = true;
    w->SetLeft(1507.5); // a fraction of a pixel the player set itself is kept
    w->SetTop(2400);
    Close();
    EXPECT_TRUE(ReadConfig().contains("\r\nFormX= 1507.5\r\nFormY= 2400\r\n"));

    TearDown();
    Start();
    w->move(300, 200); // moved by the desktop, not by the player
    Close();
    EXPECT_TRUE(ReadConfig().contains("\r\nFormX= 4500\r\nFormY= 3000\r\n"));
}

TEST_F(StartupTest, WindowSavedOffEveryScreenComesBackVisible) {
    WriteConfig("[Setting]\r\nFormX= 900000\r\nFormY= -90000\r\nConfigSave= True\r\n");
    Start();
    const QRect area = platform.workArea;
    EXPECT_TRUE(QRectF(area).intersects(QRectF(w->Left(), w->Top(), w->Width(), w->Height())));
}

TEST_F(StartupTest, LockRestoredOnACompositorThatPlacesWindowsSaysSoAfterTheTitle) {
    WriteConfig("[Setting]\r\nLockFlag= True\r\nConfigSave= True\r\n");
    platform.compositorPlaces = true;
    Start();
    EXPECT_TRUE(w->st.LockFlag);
    EXPECT_TRUE(w->ui.lblTitle[0]->caption().startsWith(QStringLiteral("Staying on top and docking")))
        << w->ui.lblTitle[0]->caption().toStdString();
}

TEST_F(StartupTest, DamagedSettingsFileStartsWithinRange) {
    QByteArray noise = "[Setting]\r\nKO= 500\r\nListKO= -3\r\nPlayPoint= 9999\r\nVolume= 900\r\n";
    for (int i = 0; i < 2000; ++i) noise.append(static_cast<char>((i * 7919) % 256));
    WriteConfig(noise);
    Start();
    const PlayerState& st = w->st;
    EXPECT_GE(st.KO, 0);
    EXPECT_LE(st.KO, 101);
    EXPECT_EQ(st.ListKO, 0);
    EXPECT_TRUE(st.PlayPoint == 0 || st.PlayPoint < st.KO);
    EXPECT_EQ(st.Volume, 100);
}

} // namespace
} // namespace telbo::test

namespace telbo::test {
namespace {

// A save that could not go beside the binary went to the per-user folder: the next start
// reads that newer copy, and a folder that cannot take a save says so on screen.
TEST_F(StartupTest, SettingsAreReadFromWhereTheLastSaveWent) {
    const QString perUser = platform.path(QStringLiteral("home/.config/telbo"));
    ASSERT_TRUE(QDir().mkpath(perUser));
    platform.otherSettingsFolders = {perUser};
    WriteConfig("[Setting]\r\nVolume= 20\r\n");
    QFile newer(perUser + QStringLiteral("/config.ini"));
    ASSERT_TRUE(newer.open(QIODevice::WriteOnly));
    newer.write("[Setting]\r\nVolume= 70\r\n");
    newer.flush(); // a flush at close would stamp it again
    newer.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
    newer.close();
    Start();
    EXPECT_EQ(w->st.Volume, 70);
    TearDown();

    // A program folder that can never be made (a file stands where its parent should be;
    // root may write anywhere else).
    platform.otherSettingsFolders.clear();
    platform.folder = platform.makeFile(QStringLiteral("blocked")) + QStringLiteral("/telbo");
    Start();
    EXPECT_EQ(w->ui.lblTitle[0]->caption(), QString()); // saving off: nothing to say
    TearDown();
    // With saving on (from the per-user copy read above), the title line says it once.
    platform.otherSettingsFolders = {perUser};
    newer.open(QIODevice::WriteOnly);
    newer.write("[Setting]\r\nConfigSave= True\r\n");
    newer.close();
    Start();
    EXPECT_TRUE(w->ui.lblTitle[0]->caption().startsWith(u"Settings cannot be saved"));
}

} // namespace
} // namespace telbo::test
