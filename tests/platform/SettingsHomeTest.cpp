// Where config.ini goes: beside a portable binary, per user for an installed one.

#include "platform/DesktopPlatform.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using telbo::ChooseSettingsHome;
using telbo::SettingsHome;

namespace {

const QString kInstalled = QStringLiteral("/usr/bin");

TEST(SettingsHome, PortableBinaryKeepsItsSettingsBesideIt) {
    EXPECT_EQ(ChooseSettingsHome(QStringLiteral("/home/me/telbo"), kInstalled, true),
              SettingsHome::BinaryFolder);
    // A build that was never meant to be installed knows no installed folder.
    EXPECT_EQ(ChooseSettingsHome(QStringLiteral("/home/me/telbo"), QString(), true),
              SettingsHome::BinaryFolder);
    // A folder next to the installed one, or below it, is not the installed one.
    EXPECT_EQ(ChooseSettingsHome(QStringLiteral("/usr/bin2"), kInstalled, true),
              SettingsHome::BinaryFolder);
    EXPECT_EQ(ChooseSettingsHome(QStringLiteral("/usr/bin/telbo"), kInstalled, true),
              SettingsHome::BinaryFolder);
}

TEST(SettingsHome, InstalledOrUnwritableBinaryUsesThePerUserFolder) {
    // Root can write /usr/bin, but settings there would be shared by every user.
    EXPECT_EQ(ChooseSettingsHome(kInstalled, kInstalled, true), SettingsHome::PerUserFolder);
    EXPECT_EQ(ChooseSettingsHome(kInstalled, kInstalled, false), SettingsHome::PerUserFolder);
    EXPECT_EQ(ChooseSettingsHome(QStringLiteral("/opt/telbo"), kInstalled, false),
              SettingsHome::PerUserFolder);
    // The binary's folder could not be found: never write config.ini into the working folder.
    EXPECT_EQ(ChooseSettingsHome(QString(), QString(), true), SettingsHome::PerUserFolder);
}

TEST(StartFolder, TheMusicFolderWhenThereOtherwiseHome) {
    // A fresh player's first dialog: never the hidden settings folder.
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    telbo::DesktopPlatform platform;
    const QString withoutMusic = platform.startFolder();
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Music")));
    const QString withMusic = platform.startFolder();
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    EXPECT_EQ(withoutMusic, home.path());
    EXPECT_EQ(withMusic, home.filePath(QStringLiteral("Music")));
}

} // namespace
