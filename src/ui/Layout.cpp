#include "ui/Layout.h"

#include "core/SettingsTable.h"

namespace telbo {

namespace {

constexpr TextAlign R = TextAlign::Right;

ControlSpec Lbl(const char* name, int index, const char* parent, int l, int t, int w, int h,
                const char* caption, const char* fore, const char* font,
                TextAlign align = TextAlign::Left) {
    ControlSpec s{name, index, ControlKind::Label, parent, l, t, w, h};
    s.caption = caption;
    s.fore = fore;
    s.font = font;
    s.align = align;
    return s;
}
ControlSpec Hidden(ControlSpec s) {
    s.visible = false;
    return s;
}
ControlSpec Opaque(ControlSpec s, const char* back) {
    s.opaque = true;
    s.back = back;
    return s;
}
// The widest box the label's changing caption may take before its font shrinks.
ControlSpec Room(ControlSpec s, int twips) {
    s.room = twips;
    return s;
}
ControlSpec Fixed(ControlSpec s) {
    s.fixedSize = true;
    return s;
}
ControlSpec Frame(const char* name, int index, const char* parent, int l, int t, int w, int h,
                  const char* caption, bool visible) {
    ControlSpec s{name, index, ControlKind::Panel, parent, l, t, w, h};
    s.caption = caption;
    s.fore = "#FFFFFF";
    s.back = "#000000";
    s.visible = visible;
    return s;
}
ControlSpec Scroll(const char* name, int index, ControlKind kind, const char* parent, int l, int t,
                   int w, int h, int min, int max, int value, bool visible) {
    ControlSpec s{name, index, kind, parent, l, t, w, h};
    s.min = min;
    s.max = max;
    s.value = value;
    s.visible = visible;
    return s;
}
// A slider that shows a stored setting: the key's range, its default as the design value.
ControlSpec Scroll(const char* name, int index, const char* parent, int l, int t, int w, int h,
                   const Setting& setting) {
    ControlSpec s = Scroll(name, index, ControlKind::HScroll, parent, l, t, w, h, setting.low,
                           setting.high, setting.fallback, false);
    s.setting = &setting;
    return s;
}
ControlSpec Combo(const char* name, const char* parent, int l, int t, int w, int h,
                  const char* text, const char* font, const char* items, bool visible) {
    ControlSpec s{name, -1, ControlKind::Combo, parent, l, t, w, h};
    s.caption = text;
    s.font = font;
    s.items = items;
    s.visible = visible;
    return s;
}
ControlSpec Text(const char* name, int index, const char* parent, int l, int t, int w, int h,
                 const char* text, int maxLength = 0) {
    ControlSpec s{name, index, ControlKind::Text, parent, l, t, w, h};
    s.caption = text;
    s.maxLength = maxLength;
    return s;
}
ControlSpec Option(const char* name, int index, const char* parent, int l, int t, int w,
                   const char* caption) {
    ControlSpec s{name, index, ControlKind::Option, parent, l, t, w, 180};
    s.caption = caption;
    s.fore = "#FFFFFF";
    s.back = "#000000";
    return s;
}
ControlSpec Close(int index, const char* parent, int l, int t) {
    return Fixed(Opaque(Lbl("lblClose", index, parent, l, t, 210, 180, "×", "#FFFFFF", "Pop9b"),
                        "#000000"));
}

std::vector<ControlSpec> MakeMainWindow() {
    const char* W = "";
    std::vector<ControlSpec> t;
    // Header band: the opaque background lowest, the scrolling title above it, the
    // transparent drop/drag surface above the title, every other label above that.
    t.push_back(Fixed(Opaque(Lbl("lblBack", 1, W, 0, 0, 5475, 1185, "", nullptr, ""), "#404040")));
    t.push_back(Lbl("lblTitle", 0, W, 90, 135, 1515, 555, "Title", "#C0C0FF", "PopF27b"));
    t.push_back(Fixed(Lbl("lblBack", 0, W, 0, 0, 5475, 1185, "", nullptr, "")));
    // The list name ends where the longest track counter could begin.
    t.push_back(Room(Lbl("lblTitle", 1, W, 135, 810, 1335, 285, "ListName", "#C0FFC0", "PopF14b"), 2550));
    t.push_back(Lbl("lblPoint", 0, W, 3345, 855, 210, 285, "0", "#FFFFFF", "Pop14b", R));
    t.push_back(Lbl("lblPoint", 4, W, 3555, 855, 210, 285, "/", "#FFFFFF", "Pop14b", R));
    t.push_back(Lbl("lblPoint", 1, W, 3870, 855, 210, 285, "0", "#FFFFFF", "Pop14b", R));
    t.push_back(Room(Lbl("lblNowTime", -1, W, 4140, 720, 1320, 435, "00:00", "#FFFFFF", "Pop21b"), 1320));
    t.push_back(Room(Lbl("lblPlayerControl", 2, W, 3195, 90, 540, 240, "Lock", "#FF0000", "Pop12", R), 1035));
    t.push_back(Lbl("lblPlayerControl", 1, W, 3870, 90, 390, 240, "Min", "#FF0000", "Pop12"));
    t.push_back(Lbl("lblPlayerControl", 0, W, 4320, 90, 1095, 240, "PowerOff", "#FF0000", "Pop12"));
    const char* symbols[9] = {"2", "4", "<", "9", ":", ";", "6", "{", "r"};
    const int symbolLeft[9] = {3600, 3915, 4230, 4545, 4860, 5175, 4365, 4725, 5130};
    for (int i = 0; i < 9; ++i)
        t.push_back(Hidden(Lbl("lblSmallSet", i, W, symbolLeft[i], i < 6 ? 315 : 0, 315, 360,
                               symbols[i], "#8080FF", "Wd14b")));

    // Transport row
    t.push_back(Lbl("lblDown", 0, W, 0, 1305, 315, 285, "↓", "#FFFF00", "Pop14b"));
    t.push_back(Lbl("lblFileSet", 0, W, 360, 1305, 720, 285, "Open", "#FF80FF", "PopP14b"));
    t.push_back(Lbl("lblPlaySet", 0, W, 1350, 1305, 645, 285, "Play", "#8080FF", "Pop14b"));
    t.push_back(Lbl("lblPlaySet", 1, W, 2115, 1305, 705, 285, "Stop", "#8080FF", "Pop14b"));
    t.push_back(Lbl("lblPlaySet", 2, W, 2970, 1305, 555, 285, "Rev", "#8080FF", "Pop14b"));
    t.push_back(Lbl("lblPlaySet", 3, W, 3690, 1305, 705, 285, "Next", "#8080FF", "Pop14b"));
    t.push_back(Lbl("lblPlaySet", 4, W, 4500, 1305, 870, 285, "Pause", "#8080FF", "Pop14b"));

    // Selector row
    t.push_back(Lbl("lblListSelect", 0, W, 135, 1665, 585, 285, "List", "#808080", "Pop14b"));
    t.push_back(Lbl("lblListSelect", 1, W, 810, 1665, 705, 285, "Title", "#C0C0FF", "Pop14b"));
    t.push_back(Lbl("lblShowTag", -1, W, 2925, 1665, 1320, 285, "ShowTag", "#808080", "Pop14b", R));
    t.push_back(Lbl("lblDown", 1, W, 4365, 1665, 990, 285, "Config", "#808000", "Pop14b"));

    // Bottom row
    t.push_back(Lbl("lblListSet", 0, W, 45, 6390, 585, 285, "Add", "#FF0000", "Pop14b"));
    t.push_back(Lbl("lblListSet", 1, W, 675, 6390, 465, 285, "Del", "#FF0000", "Pop14b"));
    t.push_back(Lbl("lblListSet", 2, W, 1170, 6390, 1185, 285, "AllClear", "#FF0000", "Pop14b"));
    t.push_back(Lbl("lblListSet", 3, W, 2385, 6390, 390, 285, "Up", "#FF0000", "Pop14b"));
    t.push_back(Lbl("lblListSet", 4, W, 2790, 6390, 795, 285, "Down", "#FF0000", "Pop14b"));
    t.push_back(Lbl("lblPoint", 2, W, 3825, 6390, 210, 285, "0", "#FFFFFF", "Pop14b", R));
    t.push_back(Lbl("lblPoint", 5, W, 4050, 6390, 210, 285, "/", "#FFFFFF", "Pop14b", R));
    t.push_back(Lbl("lblPoint", 3, W, 4365, 6390, 210, 285, "0", "#FFFFFF", "Pop14b", R));
    t.push_back(Lbl("lblFileSet", 1, W, 4680, 6390, 705, 285, "Save", "#FF80FF", "Pop14b"));

    // Scroll bars, list boxes and panels lie above every label of the window.
    t.push_back(Scroll("sclNowTime", -1, ControlKind::Position, W, 0, 1170, 5475, 105, 0, 0, 0, true));
    {
        ControlSpec list{"lstFile", 0, ControlKind::ListBox, W, 45, 2025, 5370, 4335};
        list.font = "Pop14b";
        list.visible = false;
        t.push_back(list);
        list.index = 1;
        list.visible = true;
        t.push_back(list);
    }

    // Tag view (lowest panel)
    t.push_back(Frame("frmTag", 0, W, 45, 3870, 5370, 2490, "Tag", false));
    const char* fieldNames[6] = {"Title", "Artist", "Album", "Year", "Genre", "Comment"};
    const int fieldTop[6] = {585, 900, 1215, 1530, 1845, 2160};
    const int fieldNameWidth[6] = {375, 450, 525, 375, 495, 780};
    const int dataLeft[6] = {675, 675, 675, 675, 675, 990};
    // The heading ends before the close cross; the values at the panel's edge.
    t.push_back(Room(Lbl("lblTagInfo", 0, "frmTag(0)", 90, 270, 570, 240, "Artist", "#FFFFC0", "PG12"), 4950));
    for (int i = 0; i < 6; ++i)
        t.push_back(Lbl("lblTagInfo", i + 1, "frmTag(0)", 90, fieldTop[i], fieldNameWidth[i], 255,
                        fieldNames[i], "#C0C0FF", "Imp9.75"));
    for (int i = 0; i < 6; ++i)
        t.push_back(Room(Opaque(Lbl("lblTagData", i, "frmTag(0)", dataLeft[i], fieldTop[i], 0, 240, "",
                                    "#FFFFFF", "PG12b"),
                                "#000000"),
                         5370 - 90 - dataLeft[i]));
    t.push_back(Close(3, "frmTag(0)", 5085, 180));

    // Tag editor
    t.push_back(Frame("frmTag", 1, W, 45, 3870, 5370, 2490, "TagSet", false));
    for (int i = 0; i < 6; ++i)
        t.push_back(Lbl("lblTagInfo", i + 7, "frmTag(1)", 90, fieldTop[i], fieldNameWidth[i], 255,
                        fieldNames[i], "#C0C0FF", "Imp9.75"));
    t.push_back(Lbl("lblTagSet", 0, "frmTag(1)", 720, 135, 525, 435, "Set", "#FFFFC0", "Imp18b"));
    t.push_back(Lbl("lblTagSet", 1, "frmTag(1)", 1935, 315, 495, 255, "SetAll", "#FFFFC0", "Imp9.75"));
    t.push_back(Lbl("lblTagSet", 2, "frmTag(1)", 2520, 135, 1245, 255, "SetAllWithNum", "#FFFFC0", "Imp9.75"));
    t.push_back(Lbl("lblTagSet", 3, "frmTag(1)", 2520, 315, 1260, 255, "SetAllWithTitle", "#FFFFC0", "Imp9.75"));
    t.push_back(Lbl("lblTagSet", 4, "frmTag(1)", 4050, 135, 405, 255, "Copy", "#FFC0FF", "Imp9.75"));
    t.push_back(Lbl("lblTagSet", 5, "frmTag(1)", 4050, 315, 465, 255, "Paste", "#FFC0FF", "Imp9.75"));
    t.push_back(Lbl("lblTagSet", 6, "frmTag(1)", 4635, 360, 660, 195, "AllClear", "#FFFFFF", "PG9.75"));
    t.push_back(Opaque(Lbl("lblTagSet", 7, "frmTag(1)", 4635, 135, 660, 225, "ReadOnly", "#C0FFC0", "Imp8"),
                       "#000000"));
    const int clearTop[6] = {630, 945, 1260, 1575, 1890, 2205};
    for (int i = 0; i < 6; ++i)
        t.push_back(Lbl("lblTagSet", 8 + i, "frmTag(1)", 4860, clearTop[i], 450, 195, "Clear",
                        "#FFFFFF", "PG9.75"));
    t.push_back(Close(4, "frmTag(1)", 90, 225));
    t.push_back(Text("txtTagData", 0, "frmTag(1)", 675, 585, 4110, 240, ""));
    t.push_back(Text("txtTagData", 1, "frmTag(1)", 675, 900, 4110, 240, ""));
    t.push_back(Text("txtTagData", 2, "frmTag(1)", 675, 1215, 4110, 240, ""));
    t.push_back(Text("txtTagData", 3, "frmTag(1)", 675, 1530, 4110, 240, "", 4));
    t.push_back(Combo("cmbTagGenre", "frmTag(1)", 675, 1825, 4110, 285, "Genre", "PG8", "", true));
    t.push_back(Text("txtTagData", 4, "frmTag(1)", 900, 2160, 3885, 240, ""));

    // Settings panel
    t.push_back(Frame("frmConfig", -1, W, 1305, 1935, 4110, 4425, "Config", false));
    const char* C = "frmConfig";
    t.push_back(Lbl("lblPlayerName", 0, C, 135, 225, 2205, 720, "Telbo", "#FFFFFF", "Pop36"));
    t.push_back(Lbl("lblPlayerName", 1, C, 2520, 540, 1425, 360, "Ver.1.00", "#FFFFFF", "Pop18"));
    t.push_back(Lbl("lblConf", 7, C, 135, 1530, 1395, 285, "PlayMode", "#808080", "Pop14b"));
    t.push_back(Room(Lbl("lblConfValue", 7, C, 1755, 1530, 1035, 285, "Normal", "#00FF00", "Pop14b"), 2265));
    t.push_back(Lbl("lblConf", 8, C, 135, 1845, 1425, 285, "NextType", "#808080", "Pop14b"));
    // The volume slider begins after this value on the same row (at least 1000 twips stay its).
    t.push_back(Room(Lbl("lblConfValue", 8, C, 1755, 1845, 705, 285, "Stop", "#00FF00", "Pop14b"), 1185));
    t.push_back(Lbl("lblConf", 0, C, 135, 2160, 1035, 285, "Volume", "#808080", "Pop14b"));
    t.push_back(Lbl("lblConfValue", 0, C, 1755, 2160, 600, 285, "100", "#FFFFC0", "Pop14b", R));
    t.push_back(Lbl("lblConf", 9, C, 2610, 2160, 1380, 285, "Equalizer", "#808000", "Pop14b"));
    t.push_back(Lbl("lblConf", 1, C, 135, 2475, 885, 285, "Speed", "#808080", "Pop14b"));
    t.push_back(Lbl("lblConfValue", 1, C, 1710, 2475, 660, 285, "1.00", "#FFFFC0", "Pop14b", R));
    t.push_back(Lbl("lblConf", 2, C, 135, 2790, 885, 285, "Scroll", "#808080", "Pop14b"));
    t.push_back(Lbl("lblConfValue", 2, C, 1845, 2790, 495, 285, "Off", "#808080", "Pop14b", R));
    t.push_back(Lbl("lblConf", 3, C, 135, 3105, 780, 285, "Intro", "#808080", "Pop14b"));
    t.push_back(Lbl("lblConfValue", 3, C, 1845, 3105, 495, 285, "Off", "#808080", "Pop14b", R));
    t.push_back(Lbl("lblConf", 4, C, 135, 3420, 855, 285, "Timer", "#808080", "Pop14b"));
    t.push_back(Lbl("lblConfValue", 4, C, 1845, 3420, 495, 285, "Off", "#808080", "Pop14b", R));
    t.push_back(Lbl("lblConfValue", 9, C, 2475, 3420, 1515, 285, "MusicStop", "#808080", "Pop14b"));
    t.push_back(Lbl("lblConf", 6, C, 135, 3735, 1350, 285, "AutoPlay", "#808080", "Pop14b"));
    t.push_back(Lbl("lblConfValue", 6, C, 1845, 3735, 495, 285, "Off", "#808080", "Pop14b", R));
    t.push_back(Lbl("lblDefault", 1, C, 2925, 3735, 1095, 285, "Window", "#008080", "PopP14b", R));
    t.push_back(Lbl("lblConf", 5, C, 135, 4050, 1680, 285, "ConfigSave", "#808080", "Pop14b"));
    t.push_back(Lbl("lblConfValue", 5, C, 1845, 4050, 495, 285, "Off", "#808080", "Pop14b", R));
    t.push_back(Lbl("lblDefault", 0, C, 2925, 4050, 1095, 285, "Default", "#008080", "PopP14b", R));
    t.push_back(Close(0, C, 3825, 180));
    t.push_back(Frame("frmSmpRate", -1, C, 135, 990, 1905, 420, "SamplingRate", true));
    t.push_back(Frame("frmStereo", -1, C, 2115, 990, 1905, 420, "Stereo/Mono", true));
    t.push_back(Option("optSmpRate", 0, "frmSmpRate", 90, 180, 600, "1/1"));
    t.push_back(Option("optSmpRate", 1, "frmSmpRate", 675, 180, 600, "1/2"));
    t.push_back(Option("optSmpRate", 2, "frmSmpRate", 1260, 180, 600, "1/4"));
    t.push_back(Option("optStereo", 0, "frmStereo", 90, 180, 870, "Stereo"));
    t.push_back(Option("optStereo", 1, "frmStereo", 990, 180, 780, "Mono"));
    t.push_back(Scroll("sclConfig", 0, C, 2475, 1845, 1545, 240, SettingNamed(u"Volume")));
    t.push_back(Scroll("sclConfig", 1, C, 2475, 2475, 1545, 240, SettingNamed(u"PlaySpeed")));
    t.push_back(Scroll("sclConfig", 2, C, 2475, 2790, 1545, 240, SettingNamed(u"ScrollSpeed")));
    t.push_back(Scroll("sclConfig", 3, ControlKind::HScroll, C, 2475, 3105, 1545, 240, 0, 500, 0, false));
    t.push_back(Scroll("sclConfig", 4, ControlKind::HScroll, C, 2475, 3420, 1545, 240, 0, 100, 0, false));
    t.push_back(Combo("cmbTimer", C, 2475, 3690, 1545, 345, "TimerType", "Imp8",
                      "MusicStop|PlayerEnd|PowerOff", false));

    // Title template panel
    t.push_back(Frame("frmTitle", -1, W, 990, 1935, 4425, 1140, "ScrollTitle", false));
    const char* T = "frmTitle";
    const char* scrollCaptions[8] = {"Filename=%0", "Title=%1", "Artist=%2", "Album=%3",
                                     "Year=%4",     "Genre=%5", "Comment=%6", "Clear"};
    const int scrollLeft[8] = {135, 1440, 2340, 3420, 135, 1035, 2070, 3420};
    const int scrollWidth[8] = {1170, 780, 945, 900, 795, 915, 1200, 480};
    for (int i = 0; i < 8; ++i)
        t.push_back(Lbl("lblScrollTitle", i, T, scrollLeft[i], i < 4 ? 225 : 495, scrollWidth[i],
                        195, scrollCaptions[i], "#FFFFC0", "Pop9.75"));
    t.push_back(Close(2, T, 4095, 495));
    t.push_back(Text("txtScrollTitle", -1, T, 90, 765, 4245, 285, "%0"));

    // Equalizer panel (front-most)
    t.push_back(Frame("frmEqualizer", -1, W, 2520, 1935, 2895, 2535, "Equalizer", false));
    const char* E = "frmEqualizer";
    t.push_back(Close(1, E, 2610, 180));
    t.push_back(Combo("cmbEqualizer", E, 135, 225, 1545, 345, "Default", "Imp8",
                      "Default|Old radio|Bass boost|Bass Cut|Classic|Loudness|Pop|Rock|Telephone|"
                      "WooferBoost",
                      true));
    // Band bars: the top end is the highest gain, the bottom end the lowest.
    for (int i = 0; i < static_cast<int>(kEqualizerBandHz.size()); ++i)
        t.push_back(Scroll("sclEqualizer", i, ControlKind::VScroll, E, 135 + 270 * i, 630, 195,
                           1815, kEqualizerGainRange.high, kEqualizerGainRange.low, 0, true));
    return t;
}

std::vector<ControlSpec> MakePowerOff() {
    std::vector<ControlSpec> t;
    t.push_back(Opaque(Lbl("lblPowerOff", 0, "", 90, 135, 1320, 285, "PowerOff After", "#FFFFFF", "Imp11"),
                       "#000000"));
    t.push_back(Opaque(Lbl("lblPowerOff", 1, "", 1710, 135, 240, 285, "30", "#FFFFFF", "Imp11"), "#000000"));
    t.push_back(Opaque(Lbl("lblPowerOff", 2, "", 2025, 135, 1335, 285, "Seconds Later", "#FFFFFF", "Imp11"),
                       "#000000"));
    ControlSpec cancel{"cmdCancel", -1, ControlKind::Button, "", 1125, 540, 1230, 420};
    cancel.caption = "Cancel";
    cancel.font = "Imp15b";
    t.push_back(cancel);
    return t;
}

} // namespace

QString FullName(const ControlSpec& c) {
    const QString name = QString::fromLatin1(c.name);
    return c.index < 0 ? name : name + u'(' + QString::number(c.index) + u')';
}

const std::vector<ControlSpec>& MainWindowLayout() {
    static const std::vector<ControlSpec> table = MakeMainWindow();
    return table;
}

const std::vector<ControlSpec>& PowerOffLayout() {
    static const std::vector<ControlSpec> table = MakePowerOff();
    return table;
}

} // namespace telbo
