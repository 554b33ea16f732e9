// Where config.ini goes: beside a portable binary, per user for an installed one.

#include "platform/DesktopPlatform.h"

#include <gtest/gtest.h>

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

} // namespace
