#pragma once
// Texts and rules of the "Config" panel and the sleep timer, free of any widget.

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "core/Modes.h"

namespace telbo {

// The names the panel shows for a play mode and an end-of-list action; a value outside the
// enumerators has no name (empty text).
QString PlayModeName(PlayMode mode);
QString ListEndActionName(ListEndAction action);

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
