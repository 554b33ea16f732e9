#pragma once

#include <QPointF>

#include <cstdint>

namespace telbo {

class Telbo;
class Panel;

// Command label groups that change colour while pressed.
enum class FeedbackGroup { PlaySet, ListSet, FileSet, ScrollTitle, TagSet };

// A twip position as the nearest whole twip in the 16-bit range the state keeps it in.
// Halves round away from zero; values beyond the range saturate instead of wrapping, so a
// press on a strip wider than 32767 twips cannot turn into a negative offset.
std::int16_t WholeTwips(double twips);

// Takes the window's Left and Top from where it really is when the desktop moved it itself
// (a keyboard move, Alt-drag): the twips the player wrote last would then be stale.
void AdoptDesktopPosition(Telbo& w);

// Moving the window and the three movable panels, resizing the small strip, press feedback.
// Positions are twips relative to the control that received the press.
class Dragging {
public:
    explicit Dragging(Telbo& w) : w(w) {}
    void Form_MouseDown(QPointF pos);
    void Form_MouseMove(QPointF pos);
    void Form_MouseUp();
    void Panel_MouseDown(Panel& panel, QPointF pos);
    void Panel_MouseMove(Panel& panel, QPointF pos);
    void Panel_MouseUp(Panel& panel);
    // Press feedback of the command labels.
    void Feedback_MouseDown(FeedbackGroup group, int index);
    void Feedback_MouseUp(FeedbackGroup group, int index);

private:
    // Within 100 twips of the window's right edge.
    bool NearRightEdge(double x) const;
    void SetFeedbackColor(FeedbackGroup group, int index, bool pressed);

    Telbo& w;
};

} // namespace telbo
