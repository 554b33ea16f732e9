#include "ui/WindowModes.h"

#include "core/Lifecycle.h"
#include "core/WindowPlacement.h"
#include "platform/Platform.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Panel.h"
#include "ui/SymbolLayout.h"
#include "ui/Telbo.h"
#include "ui/Twips.h"
#include "titles/TitleBuilder.h"

#include <QRect>

#include <algorithm>

namespace telbo {

namespace {
const QColor kSymbolBlue(0x80, 0x80, 0xFF);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kOlive(0x80, 0x80, 0x00);

// The symbol buttons' widths in table order, as the placement rule wants them.
std::array<double, kSymbolButtons> SymbolWidths(const Controls& ui) {
    std::array<double, kSymbolButtons> widths{};
    for (std::size_t i = 0; i < widths.size(); ++i) widths[i] = tw::Width(ui.lblSmallSet[i]);
    return widths;
}
} // namespace

void WindowModes::SetBackWidths() {
    for (Label* back : w.ui.lblBack) tw::SetWidth(back, w.Width());
}

void WindowModes::LayoutSymbolButtons() {
    const SymbolLefts lefts = telbo::LayoutSymbolButtons(w.Width(), SymbolWidths(w.ui));
    for (std::size_t i = 0; i < lefts.left.size(); ++i) tw::SetLeft(w.ui.lblSmallSet[i], lefts.left[i]);
}

void WindowModes::ShowSymbolRows() {
    Controls& ui = w.ui;
    ui.lblSmallSet[8]->show();
    ui.lblSmallSet[7]->show();
    for (int i = 5; i >= 0; --i) ui.lblSmallSet[static_cast<std::size_t>(i)]->show();
}

void WindowModes::SayPlacementNeedsX11() {
    if (placementNoteShown_ || !w.platform.compositorPlacesWindows()) return;
    placementNoteShown_ = true;
    const QString note =
        QStringLiteral("Staying on top and docking need X11: start with QT_QPA_PLATFORM=xcb");
    // A lock restored at start-up: the title built later would cover the note at once.
    if (w.lifecycle.startingUp()) w.lifecycle.AddStartNotice(note);
    else w.titleBuilder.ShowNotice(note);
}

void WindowModes::lblDown_Click(int index) {
    PlayerState& st = w.st;
    Controls& ui = w.ui;
    if (index == 0) {
        st.DownListFlag = !st.DownListFlag;
        w.SetHeight(st.DownListFlag ? kUnfoldedHeight : kFoldedHeight);
        ui.lblDown[0]->setCaption(st.DownListFlag ? QStringLiteral("↑") : QStringLiteral("↓"));
    } else if (index == 1) {
        st.DownConfigFlag = !st.DownConfigFlag;
        ui.frmConfig->setVisible(st.DownConfigFlag);
        ui.lblDown[1]->setForeColor(st.DownConfigFlag ? kYellow : kOlive);
    }
}

void WindowModes::lblClose_Click(int index) {
    switch (index) {
    case 0:
        lblDown_Click(1);
        break;
    case 1:
        w.settingsPanel.lblConf_Click(9);
        break;
    case 2:
        w.settingsPanel.lblConf_Click(2);
        break;
    case 3:
    case 4:
        // From the editor the tag-panel cycle hides both panels, whichever one is shown.
        w.st.TagShowFlag = TagPanel::Editor;
        w.tagEditor.lblShowTag_Click();
        break;
    default:
        break;
    }
}

void WindowModes::lblPlayerControl_Click(int index) {
    switch (index) {
    case 0:
        w.close();
        break;
    case 1:
        w.platform.minimize(&w);
        break;
    case 2:
        LockToggle();
        // The lock toggle shows the dock symbol when unlocking; in normal mode no symbol shows.
        w.ui.lblSmallSet[6]->hide();
        break;
    default:
        break;
    }
}

void WindowModes::lblSmallSet_Click(int index) {
    switch (index) {
    case 0:
        w.listFiles.lblFileSet_Click(0);
        break;
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
        w.transport.lblPlaySet_Click(index - 1);
        break;
    case 6:
        Dock();
        break;
    case 7:
        LockToggle();
        break;
    case 8:
        lblPlayerControl_Click(0);
        break;
    default:
        break;
    }
}

void WindowModes::LockToggle() {
    PlayerState& st = w.st;
    Controls& ui = w.ui;
    Label* dock = ui.lblSmallSet[6];
    Label* lock = ui.lblSmallSet[7];
    if (st.LockFlag) {
        st.LockFlag = false;
        w.platform.setAlwaysOnTop(&w, false);
        lock->setForeColor(kRed);
        ui.lblPlayerControl[2]->setCaption(QStringLiteral("Lock"));
        tw::SetLeft(dock, tw::Left(lock) - tw::Width(dock) - kSymbolGap);
        dock->show();
    } else {
        st.LockFlag = true;
        lock->setForeColor(kSymbolBlue);
        ui.lblPlayerControl[2]->setCaption(QStringLiteral("unLock"));
        w.platform.setAlwaysOnTop(&w, true);
        dock->hide();
        w.setCursor(Qt::ArrowCursor);
        // The lock still holds the window where it is against drags.
        SayPlacementNeedsX11();
    }
}

void WindowModes::lblBack_DblClick(int) {
    if (w.st.MinFlag) LeaveSmallMode();
    else EnterSmallMode();
}

void WindowModes::EnterSmallMode() {
    PlayerState& st = w.st;
    Controls& ui = w.ui;
    w.SetWidth(st.FormSmallWidth);
    w.SetHeight(kSmallHeight);
    SetBackWidths();
    for (Label* control : ui.lblPlayerControl) control->hide();
    LayoutSymbolButtons();
    ShowSymbolRows();
    if (st.LockFlag) {
        w.platform.setAlwaysOnTop(&w, true);
        ui.lblSmallSet[7]->setForeColor(kSymbolBlue);
    } else {
        w.platform.setAlwaysOnTop(&w, false);
        ui.lblSmallSet[7]->setForeColor(kRed);
        ui.lblSmallSet[6]->show();
    }
    st.MinFlag = true;
}

void WindowModes::LeaveSmallMode() {
    PlayerState& st = w.st;
    Controls& ui = w.ui;
    w.platform.setAlwaysOnTop(&w, false);
    if (st.DownListFlag) {
        // The fold toggle sets the flag again together with the height and the caption.
        st.DownListFlag = false;
        lblDown_Click(0);
    } else {
        w.SetHeight(kFoldedHeight);
    }
    if (st.LockFlag) LockToggle();
    w.SetWidth(kNormalWidth);
    // The double-click's press recorded where in the strip the user clicked: the restored
    // window's top-left corner goes to that point of the screen, as far as the window stays
    // whole on it (a frameless window partly off-screen could not be fetched back). On a
    // screen smaller than the window the window shrinks to it rather than passing its edge.
    QList<QRectF> areas;
    for (const QRect& area : w.platform.screenAreasTwips())
        areas << QRectF(area);
    const QRectF placed = InsideArea(
        {QPointF(w.Left() + st.DragX, w.Top() + st.DragY), QSizeF(w.Width(), w.Height())}, areas);
    if (placed.width() < w.Width()) w.SetWidth(placed.width());
    if (placed.height() < w.Height()) w.SetHeight(placed.height());
    w.SetLeft(placed.x());
    w.SetTop(placed.y());
    SetBackWidths();
    for (Label* control : ui.lblPlayerControl) control->show();
    for (Label* symbol : ui.lblSmallSet) symbol->hide();
    st.MinFlag = false;
}

void WindowModes::Dock() {
    PlayerState& st = w.st;
    Controls& ui = w.ui;
    // The work area's origin counts too: with a panel at the top of the screen, or on a second
    // screen, the strip still lands at the bottom of the screen that shows the window.
    const QRect area = w.platform.workAreaTwips(&w);
    if (w.platform.compositorPlacesWindows()) {
        // The strip cannot be put at the bottom: it stays where the window is, as wide as
        // the small strip and no wider than the work area. A screen-wide strip away from the
        // left edge would run off the screen.
        w.SetWidth(std::min<double>(st.FormSmallWidth, area.width()));
    } else {
        w.SetLeft(area.left());
        w.SetTop(static_cast<double>(area.top()) + area.height() - kSmallHeight);
        w.SetWidth(area.width());
    }
    w.SetHeight(kSmallHeight);
    SetBackWidths();
    ui.lblPlayerControl[0]->hide();
    ui.lblPlayerControl[1]->hide();
    ui.lblSmallSet[7]->setForeColor(kSymbolBlue);
    LayoutSymbolButtons();
    ShowSymbolRows();
    w.platform.setAlwaysOnTop(&w, true);
    st.MinFlag = true;
    // Only reachable unlocked, so this locks the docked strip (and hides the dock symbol).
    LockToggle(); // on Wayland it says what docking lacks there
}

} // namespace telbo
