#pragma once
// The player's named modes. Their numbers are what config.ini stores and the order the
// panel's value labels cycle through, so the enumerators keep their order and values.

#include <array>
#include <cstdint>
#include <string_view>

namespace telbo {

// How "Next" (and the end of a track) picks the next track.
enum class PlayMode : std::int16_t { Normal, Repert, Shuffle, Random, RandomAllList };
// What happens when a list has played to its end.
enum class ListEndAction : std::int16_t { Stop, Repert, NextList, RandomList };
// Which tag panel is shown under the lists: none, the tag view ("ShowTag") or the editor.
enum class TagPanel : std::int16_t { None, View, Editor };

// The names the settings panel shows, in the enumerators' order.
inline constexpr std::array<std::string_view, 5> kPlayModeNames{"Normal", "Repert", "Shuffle",
                                                                "Random", "RandomAllList"};
inline constexpr std::array<std::string_view, 4> kListEndActionNames{"Stop", "Repert", "NextList",
                                                                     "RandomList"};

// How many values a mode has: the stored numbers are 0..count-1.
template <typename Mode> inline constexpr int kModeCount = 0;
template <> inline constexpr int kModeCount<PlayMode> = static_cast<int>(kPlayModeNames.size());
template <>
inline constexpr int kModeCount<ListEndAction> = static_cast<int>(kListEndActionNames.size());
template <> inline constexpr int kModeCount<TagPanel> = 3;

// The number a mode is stored as, and indexes by.
template <typename Mode> constexpr int ModeNumber(Mode mode) {
    return static_cast<int>(mode);
}

// One step along the cycle, the last wrapping to the first. A value outside the range steps
// to the first, so the state is in range again after one step.
template <typename Mode> constexpr Mode NextMode(Mode mode) {
    const int n = ModeNumber(mode);
    return static_cast<Mode>(n < 0 || n + 1 >= kModeCount<Mode> ? 0 : n + 1);
}
// One step back, the first wrapping to the last.
template <typename Mode> constexpr Mode PreviousMode(Mode mode) {
    const int n = ModeNumber(mode);
    return static_cast<Mode>(n <= 0 || n >= kModeCount<Mode> ? kModeCount<Mode> - 1 : n - 1);
}

} // namespace telbo
