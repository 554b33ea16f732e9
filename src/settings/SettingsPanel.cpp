#include "settings/SettingsPanel.h"

#include "decoder/AudioEngine.h"
#include "core/SettingsTable.h"
#include "decoder/Records.h"
#include "core/TimeText.h"
#include "settings/ConfigValues.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Panel.h"
#include "ui/Telbo.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <string_view>

namespace telbo {

namespace {
const QColor kLightYellow{0xFF, 0xFF, 0xC0};
const QColor kGrey{0x80, 0x80, 0x80};
const QColor kYellow{0xFF, 0xFF, 0x00};
const QColor kOlive{0x80, 0x80, 0x00};

// A settings slider as the layout designs it: its range, design value and stored setting.
const ControlSpec* DesignedSlider(int index) {
    for (const ControlSpec& c : MainWindowLayout())
        if (std::string_view(c.name) == "sclConfig" && c.index == index) return &c;
    return nullptr;
}

// The list box where the layout puts it. A tag panel shortens the list box, and panels lined
// up with that shorter box would rise above the window, with their close labels out of reach.
QRectF DesignedListBox() {
    for (const ControlSpec& c : MainWindowLayout())
        if (std::string_view(c.name) == "lstFile" && c.index == 0)
            return QRectF(c.left, c.top, c.width, c.height);
    return {};
}
} // namespace

void SettingsPanel::lblConf_Click(int index) {
    Controls& ui = w.ui;
    PlayerState& st = w.st;
    switch (index) {
    case 0:
    case 1:
    case 3:
    case 4: {
        // isHidden, not isVisible: the slider's own state, whether or not the panel is shown.
        const bool show = ui.sclConfig[index]->isHidden();
        ui.sclConfig[index]->setVisible(show);
        if (index == 4) ui.cmbTimer->setVisible(show);
        ui.lblConf[index]->setForeColor(show ? kLightYellow : kGrey);
        break;
    }
    case 2:
        st.TitleEditShown = !st.TitleEditShown;
        ui.sclConfig[2]->setVisible(st.TitleEditShown);
        ui.frmTitle->setVisible(st.TitleEditShown);
        ui.lblConf[2]->setForeColor(st.TitleEditShown ? kLightYellow : kGrey);
        break;
    case 9:
        st.EqualizerShown = !st.EqualizerShown;
        ui.frmEqualizer->setVisible(st.EqualizerShown);
        ui.lblConf[9]->setForeColor(st.EqualizerShown ? kYellow : kOlive);
        break;
    default:
        break;
    }
}

void SettingsPanel::lblConfValue_Click(int index) {
    Controls& ui = w.ui;
    PlayerState& st = w.st;
    switch (index) {
    case 2:
        if (!st.ScrollFlag) {
            w.titleScroller.SwitchOn();
            ui.lblConfValue[2]->setCaption(OnOffText(true));
            ui.lblConfValue[2]->setForeColor(kLightYellow);
            st.ScrollFlag = true;
        } else {
            w.titleScroller.SwitchOff();
            ui.lblConfValue[2]->setCaption(OnOffText(false));
            ui.lblConfValue[2]->setForeColor(kGrey);
            st.ScrollFlag = false;
        }
        break;
    case 5:
        st.ConfigSave = !st.ConfigSave;
        ui.lblConfValue[5]->setCaption(OnOffText(st.ConfigSave));
        break;
    case 6:
        st.AutoPlay = !st.AutoPlay;
        ui.lblConfValue[6]->setCaption(OnOffText(st.AutoPlay));
        break;
    case 7:
        SetPlayMode(NextMode(st.PlayTypeFlag));
        return;
    case 8:
        SetListEndAction(NextMode(st.NextTypeFlag));
        return;
    default:
        return;
    }
    emit w.settingsChanged();
}

void SettingsPanel::sclConfig_Change(int index) {
    if (index < 0 || index >= static_cast<int>(w.ui.sclConfig.size())) return;
    Controls& ui = w.ui;
    PlayerState& st = w.st;
    const int v = ui.sclConfig[index]->value();
    switch (index) {
    case 0:
        SetVolume(v);
        return;
    case 1:
        SetSpeed(v);
        return;
    case 2:
        // The value label belongs to ScrollFlag; the scroller reads the speed on its next tick.
        st.ScrollSpeed = static_cast<std::int16_t>(v);
        break;
    case 3:
        st.IntroTime = static_cast<std::int16_t>(v);
        ui.lblConfValue[3]->setCaption(CountText(v));
        ui.lblConfValue[3]->setForeColor(v != 0 ? kLightYellow : kGrey);
        break;
    case 4:
        st.TimerCount = static_cast<std::int16_t>(v);
        ui.lblConfValue[4]->setCaption(CountText(v));
        ui.lblConfValue[4]->setForeColor(v != 0 ? kLightYellow : kGrey);
        ui.lblConfValue[9]->setForeColor(v != 0 ? kLightYellow : kGrey);
        break;
    }
    emit w.settingsChanged();
}

void SettingsPanel::ShowOnSlider(int index, int value) {
    QScrollBar* bar = w.ui.sclConfig[static_cast<std::size_t>(index)];
    const QSignalBlocker quiet(bar);
    bar->setValue(value);
}

void SettingsPanel::SetVolume(int value) {
    constexpr const Setting& row = SettingNamed(u"Volume");
    const int v = std::clamp(value, row.low, row.high);
    w.st.Volume = static_cast<std::int16_t>(v);
    w.engine.SetVolume(v, v);
    w.ui.lblConfValue[0]->setCaption(QString::number(v));
    ShowOnSlider(0, v);
    emit w.settingsChanged();
}

void SettingsPanel::SetSpeed(int hundredths) {
    constexpr const Setting& row = SettingNamed(u"PlaySpeed");
    const int v = std::clamp(hundredths, row.low, row.high);
    w.st.PlaySpeed = static_cast<std::int16_t>(v);
    w.engine.SetSpeed(v);
    w.ui.lblConfValue[1]->setCaption(SpeedText(v));
    ShowOnSlider(1, v);
    emit w.settingsChanged();
}

void SettingsPanel::SetPlayMode(PlayMode mode) {
    w.st.PlayTypeFlag = mode;
    w.ui.lblConfValue[7]->setCaption(PlayModeName(mode));
    emit w.settingsChanged();
}

void SettingsPanel::SetListEndAction(ListEndAction action) {
    w.st.NextTypeFlag = action;
    w.ui.lblConfValue[8]->setCaption(ListEndActionName(action));
    emit w.settingsChanged();
}

void SettingsPanel::ShowStoredValues() {
    for (int i = 0; i < static_cast<int>(w.ui.sclConfig.size()); ++i) {
        const ControlSpec* designed = DesignedSlider(i);
        if (!designed || !designed->setting) continue;
        QScrollBar* bar = w.ui.sclConfig[static_cast<std::size_t>(i)];
        {
            // Without its change handler, so the handler runs exactly once below.
            const QSignalBlocker block(bar);
            bar->setValue(designed->setting->field.get(w.st));
        }
        sclConfig_Change(i);
    }
}

void SettingsPanel::PlaceVolumeSlider(double designedLeft) {
    QScrollBar* bar = w.ui.sclConfig[0];
    const Label* value = w.ui.lblConfValue[8];
    const double right = tw::Left(bar) + tw::Width(bar);
    const double left = std::max(designedLeft, tw::Left(value) + tw::Width(value) + 60);
    tw::SetLeft(bar, left);
    tw::SetWidth(bar, right - left);
}

void SettingsPanel::lblDefault_Click(int index) {
    Controls& ui = w.ui;
    if (index == 0) {
        w.transport.lblPlaySet_Click(Transport::Stop);
        const int sliders = static_cast<int>(ui.sclConfig.size());
        for (int i = 0; i < sliders; ++i)
            if (const ControlSpec* designed = DesignedSlider(i))
                ui.sclConfig[i]->setValue(designed->value);
        // setValue runs the handler only when the value moved: run it for every slider so each
        // value and label is refreshed.
        for (int i = 0; i < sliders; ++i)
            sclConfig_Change(i);
        w.decodeOptions.SelectSmpRate(DecodeRate::Full);
        w.decodeOptions.SelectStereo(DecodeChannels::Stereo);
        // The toggle from "on" is what switches scrolling off and puts the title back.
        w.st.ScrollFlag = true;
        lblConfValue_Click(2);
    } else if (index == 1) {
        const QRectF listBox = DesignedListBox();
        auto size = [](const QWidget* p) { return QSizeF(tw::Width(p), tw::Height(p)); };
        const PanelPlacement at =
            AlignPanels(listBox, size(ui.frmConfig), size(ui.frmTitle), size(ui.frmEqualizer));
        tw::SetLeft(ui.frmConfig, at.config.x());
        tw::SetTop(ui.frmConfig, at.config.y());
        tw::SetLeft(ui.frmTitle, at.title.x());
        tw::SetTop(ui.frmTitle, at.title.y());
        tw::SetLeft(ui.frmEqualizer, at.equalizer.x());
        tw::SetTop(ui.frmEqualizer, at.equalizer.y());
    }
}

} // namespace telbo
