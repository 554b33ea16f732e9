#pragma once
// Texts and rules of the "Config" panel and the sleep timer, free of any widget.

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace telbo {

// Play modes 0..4 ("Normal" .. "RandomAllList") and end-of-list actions 0..3 ("Stop" ..
// "RandomList"); an unknown value has no name (empty text).
QString PlayModeName(int flag);
QString NextTypeName(int flag);
// The value a click on the value label steps to: 0->1->..->last->0. An unknown value steps to
// 0, so the label and the state agree again after one click.
int NextPlayMode(int flag);
int NextNextType(int flag);

// "On" / "Off".
QString OnOffText(bool on);
// Intro seconds or timer tracks: the number, or "Off" for 0.
QString CountText(int value);

// Where "Window" puts the panels: the settings panel into the bottom right corner of the list
// box, the title and equalizer panels sharing its top and right edge. Twips.
struct PanelPlacement {
    QPointF config;
    QPointF title;
    QPointF equalizer;
};
PanelPlacement AlignPanels(const QRectF& listBox, const QSizeF& config, const QSizeF& title,
                           const QSizeF& equalizer);

// What the sleep timer does for one finished track.
enum class SleepAction { None, MusicStop, PlayerEnd, PowerOff };
struct SleepStepResult {
    int count;          // tracks still to go afterwards
    bool counted;       // the track was counted (the timer was on)
    SleepAction action; // carried out now; None while tracks are still to go
};
// `count` tracks to go (0 = off), `type` the index of the timer type list.
SleepStepResult SleepStep(int count, int type);

} // namespace telbo
