// The keys of the window run what the word commands run, and leave typing in text boxes alone.
#include "ShellFixture.h"
#include "playback/Transport.h"
#include "ui/Label.h"
#include "ui/ListBox.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

namespace telbo::test {
namespace {

class KeyboardTest : public ShellFixture {
protected:
    static void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    }
    QString Open(const QString& path) const { return QStringLiteral("open ") + path; }
    QStringList Commands() const {
        QStringList out;
        for (const QString& c : engine.calls)
            if (!c.startsWith(QStringLiteral("readTag"))) out << c;
        return out;
    }
};

TEST_F(KeyboardTest, KeysRunTheCommandsOfTheWords) {
    Show();
    const QStringList tracks = MakeTracks(4);
    SetTracks(tracks);
    w->collections.RefreshLists();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    ListBox* list = w->ui.lstFile[1];
    // The list has the keys at start, and shows it.
    EXPECT_EQ(QApplication::focusWidget(), list);

    list->setCurrentRow(1);
    engine.clearCalls();
    Key(Qt::Key_Return);
    EXPECT_EQ(Commands(), QStringList({Open(tracks[1]), "play"}));

    engine.state = PlaybackState::Playing;
    engine.elapsed = 30;
    w->transport.tmrTime_Timer();
    engine.clearCalls();
    Key(Qt::Key_Space);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    Key(Qt::Key_Left);
    EXPECT_EQ(Commands(), QStringList({"pause", "seek 35", "seek 40", "seek 35"}));

    engine.clearCalls();
    Key(Qt::Key_Right, Qt::ControlModifier);
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Commands(), QStringList({Open(tracks[2]), "play", Open(tracks[1]), "play"}));

    engine.clearCalls();
    Key(Qt::Key_Minus);
    Key(Qt::Key_Minus);
    Key(Qt::Key_Plus);
    EXPECT_EQ(Commands(), QStringList({"setVolume 95 95", "setVolume 90 90", "setVolume 95 95"}));
    EXPECT_EQ(w->ui.lblConfValue[0]->caption(), "95");

    w->transport.lblPlaySet_Click(Transport::Stop);
    engine.clearCalls();
    Key(Qt::Key_Space); // nothing open: plays
    EXPECT_EQ(Commands(), QStringList({Open(tracks[1]), "play"}));

    list->setCurrentRow(3);
    Key(Qt::Key_Delete);
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(w->st.KO, 3);

    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(platform.dialogRequests.size(), 1);

    // In a text box the keys type.
    w->settingsPanel.lblConf_Click(2);
    QLineEdit* text = w->ui.txtScrollTitle;
    text->setText(QStringLiteral("ab"));
    text->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), text);
    engine.clearCalls();
    for (int key : {Qt::Key_Space, Qt::Key_Left, Qt::Key_Delete, Qt::Key_Minus, Qt::Key_Return})
        Key(key);
    EXPECT_EQ(text->text(), "ab-");
    EXPECT_TRUE(Commands().isEmpty());
    EXPECT_EQ(list->count(), 3);
    // Escape leaves the box: Space is the player's again.
    Key(Qt::Key_Escape);
    EXPECT_FALSE(text->hasFocus());
    Key(Qt::Key_Space);
    EXPECT_EQ(text->text(), "ab-");
    EXPECT_EQ(Commands().size(), 1);
}

TEST_F(KeyboardTest, WheelOverTheHeaderOrThePositionTurnsTheVolume) {
    Show();
    // A real wheel's events propagate from the header's words to the window; sent ones do
    // not, so they go to the window at the words' places.
    auto wheel = [](QWidget* target, QPointF at, int delta) {
        QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
        return e.isAccepted();
    };
    auto at = [](const QWidget* word) { return QPointF(word->geometry().center()); };
    const int before = w->ui.sclConfig[0]->value();
    engine.clearCalls();
    EXPECT_TRUE(wheel(w.get(), at(w->ui.lblTitle[0]), -120));
    EXPECT_EQ(w->ui.lblTitle[0]->caption(), QStringLiteral("Volume %1").arg(before - 5));
    wheel(w.get(), at(w->ui.lblNowTime), -60); // half a notch waits for the other half
    wheel(w.get(), at(w->ui.lblPoint[0]), -60);
    EXPECT_FALSE(wheel(w.get(), QPointF(5, w->height() - 5), 120)); // below the header band
    wheel(w->ui.sclNowTime, QPointF(2, 2), 240);                    // the position stays
    EXPECT_EQ(w->ui.sclConfig[0]->value(), before);
    EXPECT_EQ(Commands(), QStringList({"setVolume 95 95", "setVolume 90 90", "setVolume 100 100"}));
}

} // namespace
} // namespace telbo::test
