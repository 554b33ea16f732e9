#pragma once
// Builds a real main window on the offscreen platform with the fake engine and platform.

#include "FakeEngine.h"
#include "FakePlatform.h"
#include "ui/Telbo.h"

#include <gtest/gtest.h>

#include <QColor>
#include <memory>

namespace telbo::test {

class TelboFixture : public ::testing::Test {
protected:
    FakeEngine engine;
    FakePlatform platform;
    std::unique_ptr<Telbo> w;

    // Creates the window (no start-up yet).
    void Create();
    // Creates the window and runs the whole start-up (settings file, restore, command line).
    void Start();
    // Closes the window the orderly way (shut-down runs).
    void Close();
    // Writes config.ini in the program folder.
    void WriteConfig(const QByteArray& text);
    QByteArray ReadConfig() const;
    // Creates n track files "t1.mp3".."tn.mp3" in the program folder and returns their paths.
    QStringList MakeTracks(int n, const QString& prefix = QStringLiteral("t"));
    // Fills the track collection with the paths (no refresh).
    void SetTracks(const QStringList& paths);
    // The shown colour of a label as "#RRGGBB".
    static QString Color(const class Label* l);

    void TearDown() override;
};

} // namespace telbo::test
