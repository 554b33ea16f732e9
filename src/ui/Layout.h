#pragma once
// The declarative description of both windows: every control with its name, index, kind,
// parent, geometry in twips, caption, colours, font key, alignment and initial visibility.
// Table order is stacking order (later rows lie above earlier ones of the same parent).

#include "ui/Controls.h"

#include <QString>

#include <vector>

namespace telbo {

struct Setting;

// Position: the horizontal scroll bar that shows and seeks the play position.
enum class ControlKind { Label, Panel, ListBox, HScroll, VScroll, Position, Combo, Text, Option, Button };
enum class TextAlign { Left, Right, Center };

struct ControlSpec {
    const char* name;
    int index; // -1 for a control that is not part of an array
    ControlKind kind;
    const char* parent; // "" for the window itself, else a control's full name ("frmTag(1)")
    int left, top, width, height;
    const char* caption = "";
    const char* fore = nullptr; // "#RRGGBB"; nullptr: the toolkit's default
    const char* back = nullptr;
    bool opaque = false;
    const char* font = ""; // font key; "" for the default dialog font
    TextAlign align = TextAlign::Left;
    bool fixedSize = false;
    bool visible = true;
    int min = 0, max = 0, value = 0; // scroll bars
    const Setting* setting = nullptr; // scroll bars showing a config.ini key: its range, default
    const char* items = "";          // combo boxes: entries separated by '|'
    int maxLength = 0;               // text boxes: 0 = unlimited
    int room = 0;                    // labels: widest box a changed caption takes; 0 = any
};

// "lblPlaySet(3)" or "lblNowTime".
QString FullName(const ControlSpec& c);

const std::vector<ControlSpec>& MainWindowLayout();
const std::vector<ControlSpec>& PowerOffLayout();

inline constexpr int kNormalWidth = 5475;
inline constexpr int kFoldedHeight = 1635;
inline constexpr int kUnfoldedHeight = 6720;
inline constexpr int kSmallHeight = 735;
inline constexpr const char* kCaption = "Telbo Ver.1.00";

// Creates every control of the table as a child of `window` (sets its object names to the
// full names) and returns the typed handles.
Controls BuildMainWindow(QWidget* window);
PowerOffControls BuildPowerOffDialog(QWidget* dialog);

} // namespace telbo
