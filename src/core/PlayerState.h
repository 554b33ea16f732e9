#pragma once
// The one state record of the main window. Field names are the player's own vocabulary.

#include <QString>

#include <array>
#include <cstdint>

#include "core/Modes.h"
#include "core/SlotList.h"
#include "decoder/Records.h"

namespace telbo {

struct PlayerState {
    // Collections and positions
    std::array<QString, kSlots> TitleFiles{};
    std::int16_t KO = 0;
    std::int16_t PlayPoint = 0;
    std::array<QString, kSlots> ListFiles{};
    std::int16_t ListKO = 0;
    std::int16_t ListPoint = 0;
    // Edits of the two collections go through these.
    SlotList Titles() { return {TitleFiles, KO, PlayPoint}; }
    SlotList Lists() { return {ListFiles, ListKO, ListPoint}; }

    // Playback settings
    // Full volume and normal speed until the settings say otherwise (their defaults too).
    std::int16_t Volume = 100;
    std::int16_t PlaySpeed = 100;
    std::int16_t IntroTime = 0;
    std::int16_t TimerCount = 0;
    std::int16_t TimerType = 0;
    PlayMode PlayTypeFlag = PlayMode::Normal;
    ListEndAction NextTypeFlag = ListEndAction::Stop;
    bool AutoPlay = false;
    bool ConfigSave = false;
    DecodeRate SamplingRate = DecodeRate::Full;
    DecodeChannels StereoConf = DecodeChannels::Stereo;
    ::telbo::DecodeOptions DecodeOptions{};
    ::telbo::EqualizerBands EqualizerBands{};
    bool EqualizerReady = false;
    QString PresetToken;
    QString PresetRest;

    // Title and tags
    bool ScrollFlag = false;
    std::int16_t ScrollSpeed = 0;
    TagPanel TagShowFlag = TagPanel::None;
    TagRecord TitleTag{};
    TagRecord EditTag{};
    TagRecord TagClipboard{};

    // Engine and play clock
    OpenInfoRecord OpenInfo{};
    std::int32_t NowTime = 0;
    // The clock shows the time left rather than the time played (kept in telbo.ini).
    bool ShowRemaining = false;
    PlaybackState PlayState = PlaybackState::Stopped;
    std::array<bool, kSlots> ShuffleDone{};
    std::int16_t ShuffleCount = 0;

    // Window, panels and dialogs
    bool MinFlag = false;
    std::int16_t FormSmallWidth = 0;
    bool LockFlag = false;
    bool DownListFlag = false;
    bool DownConfigFlag = false;
    bool EqualizerShown = false;
    bool TitleEditShown = false;
    bool ListSelectFlag = false;
    QString LastDir;
    std::int16_t DragX = 0;
    std::int16_t DragY = 0;
    bool DragFlag = false;
    bool ResizeFlag = false;
};

} // namespace telbo
