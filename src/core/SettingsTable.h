#pragma once
// Every key of config.ini, once: its text, how its value is written and read, its range and
// default, and the PlayerState field it fills. The writer and the reader (SettingsFile), the
// state at start-up and the sliders that show a key all follow this table, so a new setting
// is one row here plus the handler that acts on it.

#include "core/Modes.h"
#include "core/PlayerState.h"
#include "decoder/Records.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <utility>

namespace telbo {

inline constexpr std::int16_t kDefaultFormSmallWidth = 5475; // twips

enum class SettingType : std::uint8_t {
    Boolean, // "True"/"False"; read also as a number (0 false, else true)
    Integer, // a whole number in low..high (read rounded half to even); else the default
    Count,   // a collection size: written clamped to 0..101, any number read pulled into it
    Point,   // a position inside the collection `of` counts, 0 when outside
    Twips,   // a decimal number; missing or unusable it counts as absent
    Text,    // the rest of the line; line ends inside are written as blanks
    Folder,  // a Text whose default is the folder the reader is given
};

// Values the window keeps rather than PlayerState: the writer takes them from its snapshot,
// the reader puts them into StoredSettings (a Width is read into the row's field).
enum class WindowValue : std::uint8_t { None, Left, Top, Width, TitleTemplate };

// A PlayerState field holding a number, a flag or a mode, as the number the file stores.
struct NumberField {
    int (*get)(const PlayerState&) = nullptr;
    void (*set)(PlayerState&, int) = nullptr;
    explicit constexpr operator bool() const { return get != nullptr; }
};

template <auto Member> constexpr NumberField FieldOf() {
    using T = std::remove_cvref_t<decltype(std::declval<PlayerState&>().*Member)>;
    return {[](const PlayerState& s) { return static_cast<int>(s.*Member); },
            [](PlayerState& s, int v) { s.*Member = static_cast<T>(v); }};
}

struct Setting {
    std::u16string_view key; // as written before "= "
    SettingType type = SettingType::Integer;
    int low = 0; // Integer: the values accepted
    int high = 0;
    int fallback = 0;                     // Boolean, Integer: the default
    NumberField field{};                  // the field it fills, or
    QString PlayerState::*text = nullptr; // the text field it fills
    NumberField of{};                     // Point: the count it stays below
    WindowValue window = WindowValue::None;
    std::u16string_view textFallback{}; // Text: the default
};

namespace settings_rows {
constexpr Setting Row(std::u16string_view key, SettingType type) {
    Setting s;
    s.key = key;
    s.type = type;
    return s;
}
template <auto Member> constexpr Setting Flag(std::u16string_view key) {
    Setting s = Row(key, SettingType::Boolean);
    s.field = FieldOf<Member>();
    return s;
}
template <auto Member>
constexpr Setting Number(std::u16string_view key, int low, int high, int fallback,
                         WindowValue written = WindowValue::None) {
    Setting s = Row(key, SettingType::Integer);
    s.low = low;
    s.high = high;
    s.fallback = fallback;
    s.field = FieldOf<Member>();
    s.window = written;
    return s;
}
// A mode is stored as its number; an unknown number reads as the first mode.
template <auto Member> constexpr Setting Mode(std::u16string_view key) {
    using T = std::remove_cvref_t<decltype(std::declval<PlayerState&>().*Member)>;
    return Number<Member>(key, 0, kModeCount<T> - 1, 0);
}
template <auto Member> constexpr Setting Count(std::u16string_view key) {
    Setting s = Row(key, SettingType::Count);
    s.field = FieldOf<Member>();
    return s;
}
template <auto Member, auto CountMember> constexpr Setting Point(std::u16string_view key) {
    Setting s = Row(key, SettingType::Point);
    s.field = FieldOf<Member>();
    s.of = FieldOf<CountMember>();
    return s;
}
constexpr Setting Window(std::u16string_view key, SettingType type, WindowValue value,
                         std::u16string_view textFallback = {}) {
    Setting s = Row(key, type);
    s.window = value;
    s.textFallback = textFallback;
    return s;
}
template <auto Member> constexpr Setting Folder(std::u16string_view key) {
    Setting s = Row(key, SettingType::Folder);
    s.text = Member;
    return s;
}
} // namespace settings_rows

// The [Setting] section, in the order it is written.
inline constexpr std::array kSettings = [] {
    using namespace settings_rows;
    using S = PlayerState;
    return std::array{
        Window(u"FormX", SettingType::Twips, WindowValue::Left),
        Window(u"FormY", SettingType::Twips, WindowValue::Top),
        Flag<&S::LockFlag>(u"LockFlag"),
        Flag<&S::MinFlag>(u"MinFlag"),
        // The strip's width: written from the window (at most what the field holds).
        Number<&S::FormSmallWidth>(u"FormSmallWidth", 1, 32767, kDefaultFormSmallWidth,
                                   WindowValue::Width),
        Flag<&S::ConfigSave>(u"ConfigSave"),
        Mode<&S::PlayTypeFlag>(u"PlayTypeFlag"),
        Mode<&S::NextTypeFlag>(u"NextTypeFlag"),
        Mode<&S::TagShowFlag>(u"TagShowFlag"),
        Flag<&S::ScrollFlag>(u"ScrollFlag"),
        Flag<&S::AutoPlay>(u"AutoPlay"),
        Flag<&S::DownListFlag>(u"DownListFlag"),
        Flag<&S::DownConfigFlag>(u"DownConfigFlag"),
        Number<&S::Volume>(u"Volume", kVolumeRange.low, kVolumeRange.high, 100),
        Number<&S::ScrollSpeed>(u"ScrollSpeed", -300, 300, -100),
        Number<&S::PlaySpeed>(u"PlaySpeed", kSpeedRange.low, kSpeedRange.high, 100),
        Number<&S::SamplingRate>(u"SamplingRate", 0, 2, 0),
        Number<&S::StereoConf>(u"StereoConf", 0, 1, 0),
        Window(u"ScrollTitle", SettingType::Text, WindowValue::TitleTemplate, u"%0"),
        Folder<&S::LastDir>(u"LastDir"),
        // Counts before the points that must stay below them.
        Count<&S::KO>(u"KO"),
        Count<&S::ListKO>(u"ListKO"),
        Point<&S::PlayPoint, &S::KO>(u"PlayPoint"),
        Point<&S::ListPoint, &S::ListKO>(u"ListPoint"),
    };
}();

// The sections after [Setting], in the order they are written: "[iii] path" lines, as many as
// the count field says.
struct SettingsSection {
    std::u16string_view header;
    std::array<QString, kSlots> PlayerState::*paths;
    NumberField count;
};
inline constexpr std::array kSettingsSections{
    SettingsSection{u"[List]", &PlayerState::ListFiles, FieldOf<&PlayerState::ListKO>()},
    SettingsSection{u"[Title]", &PlayerState::TitleFiles, FieldOf<&PlayerState::KO>()},
};

// The row of a key, found at compile time: a misspelt key does not build.
consteval const Setting& SettingNamed(std::u16string_view key) {
    for (const Setting& s : kSettings)
        if (s.key == key) return s;
    throw "no such key in config.ini";
}

} // namespace telbo
