// Equalizer presets and band sliders; sampling-rate and stereo/mono options.

#include "PlaybackFixture.h"
#include "playback/Transport.h"
#include "ui/Label.h"

#include <QComboBox>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace telbo::test {
namespace {

class EqualizerPanelTest : public PlaybackFixture {
protected:
    void Choose(int preset) {
        w->ui.cmbEqualizer->setCurrentIndex(preset);
        w->equalizerPanel.cmbEqualizer_Click(preset);
    }
    QList<int> Sliders() const {
        QList<int> out;
        for (QScrollBar* s : w->ui.sclEqualizer)
            out << s->value();
        return out;
    }
};

TEST_F(EqualizerPanelTest, PresetSetsTheSlidersAndReachesTheEngineInOneUpdate) {
    Create();
    Choose(7);
    EXPECT_EQ(w->ui.cmbEqualizer->currentText(), "Rock");
    const QList<int> rock{80, 58, 31, 0, -18, -22, 0, -31, -52, -62};
    EXPECT_EQ(Sliders(), rock);
    EXPECT_EQ(Calls(), QStringList({"setEqualizer 80,58,31,0,-18,-22,0,-31,-52,-62", "applyEqualizer"}));
    for (int b = 0; b < 10; ++b)
        EXPECT_EQ(w->st.EqualizerBands[b], rock[b]) << b;
    EXPECT_TRUE(w->st.EqualizerReady);

    // Back to "Default": ten zeros, still one update however many sliders moved.
    engine.clearCalls();
    Choose(0);
    EXPECT_EQ(Sliders(), QList<int>(10, 0));
    EXPECT_EQ(Calls(), QStringList({"setEqualizer 0,0,0,0,0,0,0,0,0,0", "applyEqualizer"}));
}

TEST_F(EqualizerPanelTest, DefaultIsSentEvenWhenNoSliderMoves) {
    Create();
    Choose(0);
    EXPECT_EQ(Calls(), QStringList({"setEqualizer 0,0,0,0,0,0,0,0,0,0", "applyEqualizer"}));
}

TEST_F(EqualizerPanelTest, BandMovesReachTheEngineOnlyAfterTheFirstPreset) {
    Create();
    w->ui.sclEqualizer[3]->setValue(-40);
    EXPECT_EQ(w->st.EqualizerBands[3], -40);
    EXPECT_TRUE(Calls().isEmpty());

    Choose(0);
    engine.clearCalls();
    w->ui.sclEqualizer[3]->setValue(-40);
    EXPECT_EQ(Calls(), QStringList({"setEqualizer 0,0,0,-40,0,0,0,0,0,0", "applyEqualizer"}));

    // The bars end at -120 and 120.
    engine.clearCalls();
    w->ui.sclEqualizer[9]->setValue(500);
    EXPECT_EQ(Calls(), QStringList({"setEqualizer 0,0,0,-40,0,0,0,0,0,120", "applyEqualizer"}));
}

TEST_F(EqualizerPanelTest, PresetsAreTheOnesOfTheList) {
    Create();
    Choose(1); // "Old radio" reaches both ends of the bars
    EXPECT_EQ(Sliders(), QList<int>({-120, -120, -102, -89, -55, 120, 120, -120, -120, -120}));
    Choose(9);
    EXPECT_EQ(w->ui.cmbEqualizer->currentText(), "WooferBoost");
    EXPECT_EQ(Sliders(), QList<int>({120, 120, 60, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(EqualizerPanelTest, ArrowsAndTroughMoveEveryThumbTheWayTheyPoint) {
    Create();
    Choose(0);
    for (QScrollBar* band : w->ui.sclEqualizer) {
        SCOPED_TRACE(band->objectName().toStdString());
        const int x = band->width() / 2, h = band->height();
        // The upper end is the most gain: the upper arrow and the trough above the thumb raise it.
        for (int i = 0; i < 3; ++i) QTest::mouseClick(band, Qt::LeftButton, {}, QPoint(x, 3));
        EXPECT_EQ(band->value(), 3);
        QTest::mouseClick(band, Qt::LeftButton, {}, QPoint(x, h / 4));
        EXPECT_EQ(band->value(), 4);
        for (int i = 0; i < 6; ++i) QTest::mouseClick(band, Qt::LeftButton, {}, QPoint(x, h - 3));
        EXPECT_EQ(band->value(), -2);
        QTest::mouseClick(band, Qt::LeftButton, {}, QPoint(x, h * 3 / 4));
        EXPECT_EQ(band->value(), -3);
    }
    EXPECT_EQ(w->st.EqualizerBands, (EqualizerBands{-3, -3, -3, -3, -3, -3, -3, -3, -3, -3}));
}

class DecodeOptionsTest : public PlaybackFixture {};

TEST_F(DecodeOptionsTest, RateChoiceStopsPlaybackAndAppliesFromTheNextPlay) {
    CreateWithTracks(2);
    Click(Transport::Play);
    engine.elapsed = 42;
    Tick();
    engine.clearCalls();
    w->decodeOptions.SelectSmpRate(DecodeRate::Half);
    EXPECT_EQ(Calls(), QStringList({"stop", "close", "setDecodeOptions 1 0"}));
    EXPECT_EQ(w->st.SamplingRate, DecodeRate::Half);
    EXPECT_EQ(w->st.DecodeOptions, (DecodeOptions{DecodeRate::Half, DecodeChannels::Stereo}));
    EXPECT_TRUE(w->ui.optSmpRate[1]->isChecked());
    EXPECT_EQ(w->ui.lblNowTime->caption(), "00:00");
    EXPECT_FALSE(w->ui.tmrTime->isActive());

    engine.clearCalls();
    Click(Transport::Play);
    EXPECT_EQ(Calls(), QStringList({Open(0), "play"}));
}

TEST_F(DecodeOptionsTest, MonoKeepsTheRateChoice) {
    CreateWithTracks(1);
    w->decodeOptions.SelectSmpRate(DecodeRate::Quarter);
    engine.clearCalls();
    w->decodeOptions.SelectStereo(DecodeChannels::Mono);
    EXPECT_EQ(w->st.StereoConf, DecodeChannels::Mono);
    EXPECT_EQ(w->st.DecodeOptions, (DecodeOptions{DecodeRate::Quarter, DecodeChannels::Mono}));
    EXPECT_EQ(Calls().last(), "setDecodeOptions 2 1");
    EXPECT_TRUE(w->ui.optStereo[1]->isChecked());

    // Selecting the choice already made still applies it (and stops).
    engine.clearCalls();
    w->decodeOptions.SelectStereo(DecodeChannels::Mono);
    EXPECT_EQ(Calls(), QStringList({"stop", "close", "setDecodeOptions 2 1"}));
}

TEST_F(DecodeOptionsTest, UserClickOnAnOptionRunsItsHandler) {
    Create();
    w->ui.optStereo[1]->click();
    EXPECT_EQ(w->st.StereoConf, DecodeChannels::Mono);
    EXPECT_EQ(engine.options, (DecodeOptions{DecodeRate::Full, DecodeChannels::Mono}));
}

TEST_F(DecodeOptionsTest, ChoiceWithoutAButtonFallsBackToTheFirst) {
    Create();
    w->st.SamplingRate = static_cast<DecodeRate>(7); // as from a damaged settings file
    w->decodeOptions.SelectSmpRate(static_cast<DecodeRate>(7));
    w->decodeOptions.SelectStereo(static_cast<DecodeChannels>(-3));
    EXPECT_EQ(w->st.SamplingRate, DecodeRate::Full);
    EXPECT_EQ(w->st.StereoConf, DecodeChannels::Stereo);
    EXPECT_TRUE(w->ui.optSmpRate[0]->isChecked());
    EXPECT_TRUE(w->ui.optStereo[0]->isChecked());
    EXPECT_EQ(engine.options, (DecodeOptions{DecodeRate::Full, DecodeChannels::Stereo}));
}

} // namespace
} // namespace telbo::test
