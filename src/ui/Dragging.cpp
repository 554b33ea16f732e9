#include "ui/Dragging.h"

#include "ui/Telbo.h"

namespace telbo {

void Dragging::Form_MouseDown(QPointF) {}
void Dragging::Form_MouseMove(QPointF) {}
void Dragging::Form_MouseUp() {}
void Dragging::Panel_MouseDown(Panel&, QPointF) {}
void Dragging::Panel_MouseMove(Panel&, QPointF) {}
void Dragging::Panel_MouseUp(Panel&) {}
void Dragging::Feedback_MouseDown(FeedbackGroup, int) {}
void Dragging::Feedback_MouseUp(FeedbackGroup, int) {}

} // namespace telbo
