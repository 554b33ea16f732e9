#pragma once

#include <QPointF>

namespace telbo {

class Telbo;
class Panel;

// Command label groups that change colour while pressed.
enum class FeedbackGroup { PlaySet, ListSet, FileSet, ScrollTitle, TagSet };

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
    Telbo& w;
};

} // namespace telbo
