#include "ui/Dragging.h"

#include "platform/Platform.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/PanelClamp.h"
#include "ui/Telbo.h"
#include "ui/Twips.h"

#include <QWindow>

#include <algorithm>
#include <cmath>
#include <limits>

namespace telbo {

namespace {
constexpr double kEdgeGrip = 100; // twips at the right edge that start a width change

// The widest the strip may be dragged: FormSmallWidth must hold it.
constexpr double kMaxSmallWidth = std::numeric_limits<std::int16_t>::max();

struct FeedbackColors {
    int count; // indexes 0..count-1 give feedback
    QColor pressed;
    QColor released;
};

FeedbackColors ColorsOf(FeedbackGroup group) {
    switch (group) {
    case FeedbackGroup::PlaySet:
        return {5, QColor(0xC0, 0xC0, 0xFF), QColor(0x80, 0x80, 0xFF)};
    case FeedbackGroup::ListSet:
        return {5, QColor(0xFF, 0xC0, 0xC0), QColor(0xFF, 0x00, 0x00)};
    case FeedbackGroup::FileSet:
        return {2, QColor(0xFF, 0xC0, 0xFF), QColor(0xFF, 0x80, 0xFF)};
    case FeedbackGroup::ScrollTitle:
        return {8, QColor(0x80, 0x80, 0x00), QColor(0xFF, 0xFF, 0xC0)};
    case FeedbackGroup::TagSet:
        // Only the four writing commands; Copy, Paste and the rest keep their own colours.
        return {4, QColor(0x80, 0x80, 0x00), QColor(0xFF, 0xFF, 0xC0)};
    }
    return {0, {}, {}};
}
} // namespace

std::int16_t WholeTwips(double twips) {
    if (std::isnan(twips)) return 0;
    const double r = std::round(twips);
    if (r >= std::numeric_limits<std::int16_t>::max()) return std::numeric_limits<std::int16_t>::max();
    if (r <= std::numeric_limits<std::int16_t>::min()) return std::numeric_limits<std::int16_t>::min();
    return static_cast<std::int16_t>(r);
}

void AdoptDesktopPosition(Telbo& w) {
    // Only a difference of whole pixels counts, so a position the player set in fractions of
    // a pixel keeps its exact twips.
    const QPoint px = w.pos();
    if (std::lround(w.Left() / tw::kPerPixel) != px.x()) w.SetLeft(px.x() * tw::kPerPixel);
    if (std::lround(w.Top() / tw::kPerPixel) != px.y()) w.SetTop(px.y() * tw::kPerPixel);
}

bool Dragging::NearRightEdge(double x) const { return x > w.Width() - kEdgeGrip; }

void Dragging::Form_MouseDown(QPointF pos) {
    PlayerState& st = w.st;
    // Moving and leaving small mode add to Left and Top: they must be the real ones.
    AdoptDesktopPosition(w);
    st.DragFlag = true;
    st.DragX = WholeTwips(pos.x());
    st.DragY = WholeTwips(pos.y());
    if (NearRightEdge(pos.x())) {
        w.setCursor(Qt::SizeHorCursor);
        st.ResizeFlag = true;
    }
}

void Dragging::Form_MouseMove(QPointF pos) {
    PlayerState& st = w.st;
    const double x = pos.x();
    if (st.MinFlag && !st.LockFlag) w.setCursor(NearRightEdge(x) ? Qt::SizeHorCursor : Qt::ArrowCursor);
    if (st.LockFlag || !st.DragFlag) return;
    if (st.ResizeFlag) {
        // The normal window's width is fixed; a pointer at or past the strip's left edge keeps
        // the last positive width.
        if (!st.MinFlag || !(x > 0)) return;
        w.SetWidth(std::min(x, kMaxSmallWidth));
        for (Label* back : w.ui.lblBack) tw::SetWidth(back, w.Width());
        w.windowModes.LayoutSymbolButtons();
        st.FormSmallWidth = WholeTwips(w.Width());
        return;
    }
    if (w.platform.compositorPlacesWindows()) {
        // A window cannot place itself there: the compositor takes the drag over until the
        // release.
        if (QWindow* handle = w.windowHandle(); handle && handle->startSystemMove())
            st.DragFlag = false;
        return;
    }
    // The position is relative to the window, which moves with the pointer: the pressed point
    // stays under it.
    w.SetLeft(w.Left() + x - st.DragX);
    w.SetTop(w.Top() + pos.y() - st.DragY);
}

void Dragging::Form_MouseUp() {
    PlayerState& st = w.st;
    st.DragFlag = false;
    w.setCursor(Qt::ArrowCursor);
    st.ResizeFlag = false;
}

void Dragging::Panel_MouseDown(Panel&, QPointF pos) {
    PlayerState& st = w.st;
    st.DragFlag = true;
    st.DragX = WholeTwips(pos.x());
    st.DragY = WholeTwips(pos.y());
}

void Dragging::Panel_MouseMove(Panel& panel, QPointF pos) {
    const PlayerState& st = w.st;
    if (!st.DragFlag) return;
    // The lock holds the window only; panels move inside it regardless.
    const QPointF to = ClampPanel(tw::Left(&panel) + pos.x() - st.DragX,
                                  tw::Top(&panel) + pos.y() - st.DragY, tw::Width(&panel),
                                  tw::Height(&panel), w.Width(), w.Height());
    tw::SetLeft(&panel, to.x());
    tw::SetTop(&panel, to.y());
}

void Dragging::Panel_MouseUp(Panel&) { w.st.DragFlag = false; }

void Dragging::SetFeedbackColor(FeedbackGroup group, int index, bool pressed) {
    const FeedbackColors colors = ColorsOf(group);
    if (index < 0 || index >= colors.count) return;
    const auto at = static_cast<std::size_t>(index);
    Label* label = nullptr;
    switch (group) {
    case FeedbackGroup::PlaySet:
        label = w.ui.lblPlaySet[at];
        break;
    case FeedbackGroup::ListSet:
        label = w.ui.lblListSet[at];
        break;
    case FeedbackGroup::FileSet:
        label = w.ui.lblFileSet[at];
        break;
    case FeedbackGroup::ScrollTitle:
        label = w.ui.lblScrollTitle[at];
        break;
    case FeedbackGroup::TagSet:
        label = w.ui.lblTagSet[at];
        break;
    }
    if (label) label->setForeColor(pressed ? colors.pressed : colors.released);
}

void Dragging::Feedback_MouseDown(FeedbackGroup group, int index) { SetFeedbackColor(group, index, true); }
void Dragging::Feedback_MouseUp(FeedbackGroup group, int index) { SetFeedbackColor(group, index, false); }

} // namespace telbo
