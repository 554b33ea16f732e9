#include "ui/Telbo.h"

#include "platform/Platform.h"
#include "decoder/AudioEngine.h"
#include "decoder/TagStore.h"
#include "settings/PowerOffDialog.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/ListBox.h"
#include "ui/Panel.h"
#include "ui/Twips.h"

#include <tuple>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHideEvent>
#include <QIcon>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

namespace telbo {

Telbo::Telbo(AudioEngine& engine, TagStore& tags, Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), engine(engine), tags(tags), platform(platform) {
    setObjectName(QStringLiteral("Telbo"));
    setWindowTitle(QString::fromUtf8(kCaption));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    setMouseTracking(true);
    ui = BuildMainWindow(this);
    tw::SetWidth(this, kNormalWidth);
    tw::SetHeight(this, kUnfoldedHeight);
    ConnectEvents();
    ConnectKeys();
}

// The power-off dialog is a window of its own, without a parent to delete it.
Telbo::~Telbo() {
    delete form2.data();
}

double Telbo::Left() const { return tw::Left(this); }
double Telbo::Top() const { return tw::Top(this); }
double Telbo::Width() const { return tw::Width(this); }
double Telbo::Height() const { return tw::Height(this); }
void Telbo::SetLeft(double v) { tw::SetLeft(this, v); }
void Telbo::SetTop(double v) { tw::SetTop(this, v); }
void Telbo::SetWidth(double v) { tw::SetWidth(this, v); }
void Telbo::SetHeight(double v) { tw::SetHeight(this, v); }

// Minimised or hidden, nothing of the window is seen: what only moves on screen rests.
void Telbo::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) titleScroller.WindowShown(!isMinimized());
}

void Telbo::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    titleScroller.WindowShown(!isMinimized());
}

// The icon is no part of the window's pixels, only the task bar's: it is read a moment after
// the first paint, so its image reader (which first looks through every image plugin, a few
// per cent of the start-up) neither delays the window nor competes with what follows it.
void Telbo::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    if (iconSet_) return;
    iconSet_ = true;
    constexpr int kIconDelayMs = 200;
    QTimer::singleShot(kIconDelayMs, this,
                       [this] { setWindowIcon(QIcon(QStringLiteral(":/telbo.png"))); });
}

void Telbo::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    titleScroller.WindowShown(false);
}

void Telbo::ShowPowerOffDialog() {
    if (!form2) form2 = new PowerOffDialog(*this);
    form2->Form_Load();
    form2->show();
    form2->raise();
    // The machine goes down in 30 seconds: the user must see it coming.
    platform.demandAttention(form2);
}

void Telbo::ShowPlaying(const QString& path) {
    playing_ = path;
    for (int row = 0; row < ui.lstFile[1]->count(); ++row) ui.lstFile[1]->markPlaying(row, IsPlaying(1, row));
}

bool Telbo::IsPlaying(int box, int row) const {
    return box == 1 && row < kSlots && !playing_.isEmpty() &&
           st.TitleFiles[static_cast<std::size_t>(row)] == playing_;
}

void Telbo::MarkRows(int box, int first, int last) {
    const auto& files = box == 0 ? st.ListFiles : st.TitleFiles;
    ListBox* list = ui.lstFile[static_cast<std::size_t>(box)];
    for (int row = std::max(first, 0); row <= last && row < kSlots; ++row) {
        // One look at the disk per row as it is filled in, none while it is drawn.
        list->markMissing(row, !platform.fileExists(files[static_cast<std::size_t>(row)]));
        list->markPlaying(row, IsPlaying(box, row));
    }
}

void Telbo::LayoutCounter(int row) {
    constexpr double kGap = 60;
    const std::array<Label*, 3> parts = row == 0
        ? std::array<Label*, 3>{ui.lblPoint[0], ui.lblPoint[4], ui.lblPoint[1]}
        : std::array<Label*, 3>{ui.lblPoint[2], ui.lblPoint[5], ui.lblPoint[3]};
    // One row, right-aligned before the time or "Save", growing to the left up to the end of
    // the list name's room or of "Down"; a row that long is drawn smaller.
    const double right = row == 0 ? tw::Left(ui.lblNowTime) - kGap : tw::Left(ui.lblFileSet[1]) - kGap;
    const double leftLimit = row == 0 ? tw::Left(ui.lblTitle[1]) + ui.lblTitle[1]->room() + kGap
                                      : tw::Left(ui.lblListSet[4]) + tw::Width(ui.lblListSet[4]) + kGap;
    auto rowWidth = [&parts] {
        double sum = 2 * kGap;
        for (const Label* part : parts) sum += tw::Width(part);
        return sum;
    };
    for (double scale = 1.0;; scale -= 0.02) {
        for (Label* part : parts) part->setFontScale(scale);
        if (rowWidth() <= right - leftLimit || scale <= Label::kMinFontScale) break;
    }
    double edge = right;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        edge -= tw::Width(*it);
        tw::SetLeft(*it, edge);
        edge -= kGap;
    }
}

void Telbo::ClipTitleBeforeSymbols() {
    double left = 0;
    auto consider = [&left](const Label* l) {
        if (!l->isHidden() && (left <= 0 || tw::Left(l) < left)) left = tw::Left(l);
    };
    for (const Label* symbol : ui.lblSmallSet)
        consider(symbol);
    for (const Label* word : ui.lblPlayerControl)
        consider(word);
    ui.lblTitle[0]->setClipRight(left > 0 ? left - 45 : 0);
}

void Telbo::ChangeVolumeBy(int step) {
    constexpr int kVolumeNoticeMs = 1500;
    settingsPanel.SetVolume(st.Volume + step);
    titleBuilder.ShowNotice(QStringLiteral("Volume %1").arg(st.Volume), kVolumeNoticeMs);
}

void Telbo::WheelVolume(const QWheelEvent& e) {
    constexpr int kNotch = 120; // a wheel's click, in eighths of a degree
    wheelRest_ += e.angleDelta().y();
    const int notches = wheelRest_ / kNotch;
    wheelRest_ %= kNotch;
    if (notches != 0) ChangeVolumeBy(5 * notches);
}

void Telbo::wheelEvent(QWheelEvent* e) {
    // The header band's words leave the wheel to the window.
    if (!ui.lblBack[0]->geometry().contains(e->position().toPoint())) {
        e->ignore();
        return;
    }
    WheelVolume(*e);
    e->accept();
}

bool Telbo::eventFilter(QObject* watched, QEvent* e) {
    const auto type = e->type();
    // The position slider's wheel is the volume's: turning it must not move the track.
    if (type == QEvent::Wheel && watched == ui.sclNowTime) {
        WheelVolume(*static_cast<QWheelEvent*>(e));
        return true;
    }
    if ((type == QEvent::Show || type == QEvent::Hide || type == QEvent::Move) &&
        (watched->objectName().startsWith(u"lblSmallSet") ||
         watched->objectName().startsWith(u"lblPlayerControl")))
        ClipTitleBeforeSymbols();
    return QWidget::eventFilter(watched, e);
}

void Telbo::closeEvent(QCloseEvent* e) {
    lifecycle.ShutDown();
    if (form2) form2->close();
    e->accept();
    platform.endProgram();
}

// A right-click that no control took (the background, the header, a word) opens the menu of
// the settings without a designed control.
void Telbo::contextMenuEvent(QContextMenuEvent* e) {
    contextMenu.Popup(e->globalPos());
    e->accept();
}

void Telbo::mousePressEvent(QMouseEvent* e) { dragging.Form_MouseDown(tw::FromPixels(e->position())); }
void Telbo::mouseMoveEvent(QMouseEvent* e) { dragging.Form_MouseMove(tw::FromPixels(e->position())); }
void Telbo::mouseReleaseEvent(QMouseEvent*) { dragging.Form_MouseUp(); }

namespace {
// Loops run over a whole group of controls, however many the group holds.
template <class Group> constexpr int Count(const Group& group) { return static_cast<int>(group.size()); }
} // namespace

void Telbo::ConnectEvents() {
    // Groups handled in one loop hold as many controls each.
    static_assert(std::tuple_size_v<decltype(Controls::lblPlaySet)> == std::tuple_size_v<decltype(Controls::lblListSet)>);
    static_assert(std::tuple_size_v<decltype(Controls::lblFileSet)> == std::tuple_size_v<decltype(Controls::lblListSelect)>);
    static_assert(std::tuple_size_v<decltype(Controls::lblConf)> == std::tuple_size_v<decltype(Controls::lblConfValue)>);
    connect(this, &Telbo::tagSaved, this, [this](const QString& path) { transport.ForgetAlbum(path); });
    for (int i = 0; i < Count(ui.lblBack); ++i) {
        Label* back = ui.lblBack[i];
        back->setMouseTracking(true);
        back->setAcceptDrops(true);
        // lblBack lies at the window's origin: its coordinates are window coordinates.
        connect(back, &Label::pressed, this, [this](QPointF p) { dragging.Form_MouseDown(p); });
        connect(back, &Label::moved, this, [this](QPointF p) { dragging.Form_MouseMove(p); });
        connect(back, &Label::released, this, [this] { dragging.Form_MouseUp(); });
        connect(back, &Label::doubleClicked, this, [this, i] { windowModes.lblBack_DblClick(i); });
        connect(back, &Label::filesDropped, this,
                [this, i](const QList<QUrl>& urls) { fileAdder.FilesDropped(i, urls); });
    }
    for (int i = 0; i < Count(ui.lstFile); ++i) {
        ListBox* list = ui.lstFile[i];
        connect(list, &ListBox::filesDropped, this,
                [this](const QList<QUrl>& urls) { fileAdder.FilesDropped(1, urls); });
        connect(list, &QListWidget::currentRowChanged, this, [this, i] { listEditor.lstFile_Click(i); });
        // Clicking the selected row again runs the action too (a file deleted meanwhile goes).
        connect(list, &ListBox::currentRowClickedAgain, this, [this, i] { listEditor.lstFile_Click(i); });
        connect(list, &QListWidget::itemDoubleClicked, this, [this, i] { listEditor.lstFile_DblClick(i); });
        connect(list->model(), &QAbstractItemModel::rowsInserted, this,
                [this, i](const QModelIndex&, int first, int last) { MarkRows(i, first, last); });
    }

    for (int i = 0; i < Count(ui.lblPoint); ++i)
        connect(ui.lblPoint[i], &Label::captionChanged, this, [this, i] { LayoutCounter(i == 0 || i == 1 || i == 4 ? 0 : 1); });
    // The volume slider shares the NextType row: it begins after the value's text.
    connect(ui.lblConfValue[8], &Label::captionChanged, this,
            [this, left = tw::Left(ui.sclConfig[0])] { settingsPanel.PlaceVolumeSlider(left); });

    auto onClick = [this](Label* l, auto handler) { connect(l, &Label::clicked, this, handler); };
    auto feedback = [this](Label* l, FeedbackGroup g, int i) {
        connect(l, &Label::pressed, this, [this, g, i] { dragging.Feedback_MouseDown(g, i); });
        connect(l, &Label::released, this, [this, g, i] { dragging.Feedback_MouseUp(g, i); });
    };

    for (int i = 0; i < Count(ui.lblDown); ++i) onClick(ui.lblDown[i], [this, i] { windowModes.lblDown_Click(i); });
    for (int i = 0; i < Count(ui.lblClose); ++i) onClick(ui.lblClose[i], [this, i] { windowModes.lblClose_Click(i); });
    for (int i = 0; i < Count(ui.lblPlayerControl); ++i)
        onClick(ui.lblPlayerControl[i], [this, i] { windowModes.lblPlayerControl_Click(i); });
    // "Lock", "Min" and "PowerOff" lie over the title line's right end: it stops before them.
    // "Lock" grows to the left as "unLock".
    for (Label* word : ui.lblPlayerControl) {
        word->installEventFilter(this);
        connect(word, &Label::captionChanged, this, [this] { ClipTitleBeforeSymbols(); });
    }
    ClipTitleBeforeSymbols();
    for (int i = 0; i < Count(ui.lblSmallSet); ++i) {
        onClick(ui.lblSmallSet[i], [this, i] { windowModes.lblSmallSet_Click(i); });
        // Shown, hidden and placed by the window modes; the title makes way for them.
        ui.lblSmallSet[i]->installEventFilter(this);
    }
    for (int i = 0; i < Count(ui.lblPlaySet); ++i) {
        onClick(ui.lblPlaySet[i], [this, i] { transport.lblPlaySet_Click(i); });
        feedback(ui.lblPlaySet[i], FeedbackGroup::PlaySet, i);
        onClick(ui.lblListSet[i], [this, i] { listEditor.lblListSet_Click(i); });
        feedback(ui.lblListSet[i], FeedbackGroup::ListSet, i);
    }
    for (int i = 0; i < Count(ui.lblFileSet); ++i) {
        onClick(ui.lblFileSet[i], [this, i] { listFiles.lblFileSet_Click(i); });
        feedback(ui.lblFileSet[i], FeedbackGroup::FileSet, i);
        onClick(ui.lblListSelect[i], [this, i] { listEditor.lblListSelect_Click(i); });
    }
    for (int i = 0; i < Count(ui.lblScrollTitle); ++i) {
        onClick(ui.lblScrollTitle[i], [this, i] { titleBuilder.lblScrollTitle_Click(i); });
        feedback(ui.lblScrollTitle[i], FeedbackGroup::ScrollTitle, i);
    }
    connect(ui.txtScrollTitle, &QLineEdit::textChanged, this, [this] { titleBuilder.txtScrollTitle_Change(); });
    connect(ui.tmrScroll, &QTimer::timeout, this, [this] { titleScroller.tmrScroll_Timer(); });

    onClick(ui.lblShowTag, [this] { tagEditor.lblShowTag_Click(); });
    for (int i = 0; i < Count(ui.lblTagSet); ++i) {
        onClick(ui.lblTagSet[i], [this, i] { tagEditor.lblTagSet_Click(i); });
        feedback(ui.lblTagSet[i], FeedbackGroup::TagSet, i);
    }
    // The tag editor keeps which of its fields the user changed: "SetAll" writes those only.
    for (int i = 0; i < Count(ui.txtTagData); ++i)
        connect(ui.txtTagData[i], &QLineEdit::textChanged, this,
                [this, i] { tagEditor.txtTagData_Change(i); });
    connect(ui.cmbTagGenre, &QComboBox::currentTextChanged, this,
            [this] { tagEditor.cmbTagGenre_Change(); });

    for (int i = 0; i < Count(ui.lblConf); ++i) {
        onClick(ui.lblConf[i], [this, i] { settingsPanel.lblConf_Click(i); });
        onClick(ui.lblConfValue[i], [this, i] { settingsPanel.lblConfValue_Click(i); });
    }
    for (int i = 0; i < Count(ui.lblDefault); ++i) onClick(ui.lblDefault[i], [this, i] { settingsPanel.lblDefault_Click(i); });
    // valueChanged also follows the thumb while it is dragged, so one connection serves both
    // the change and the scroll events.
    for (int i = 0; i < Count(ui.sclConfig); ++i)
        connect(ui.sclConfig[i], &QScrollBar::valueChanged, this, [this, i] { settingsPanel.sclConfig_Change(i); });
    connect(ui.cmbTimer, &QComboBox::activated, this, [this](int index) { sleepTimer.cmbTimer_Click(index); });

    connect(ui.tmrTime, &QTimer::timeout, this, [this] { transport.tmrTime_Timer(); });
    connect(ui.sclNowTime, &QScrollBar::sliderMoved, this, [this](int v) { transport.sclNowTime_Scroll(v); });
    ui.sclNowTime->installEventFilter(this); // its wheel turns the volume
    // The clock switches between the time played and the time left.
    onClick(ui.lblNowTime, [this] { transport.lblNowTime_Click(); });
    transport.SetShowRemaining(st.ShowRemaining); // its tooltips from the start

    connect(ui.cmbEqualizer, &QComboBox::activated, this, [this](int index) { equalizerPanel.cmbEqualizer_Click(index); });
    for (int i = 0; i < Count(ui.sclEqualizer); ++i)
        connect(ui.sclEqualizer[i], &QScrollBar::valueChanged, this, [this, i] { equalizerPanel.sclEqualizer_Change(i); });
    for (int i = 0; i < Count(ui.optSmpRate); ++i)
        equalizerPanel.ShowBandTip(i);
    for (int i = 0; i < Count(ui.optSmpRate); ++i)
        connect(ui.optSmpRate[i], &QRadioButton::clicked, this, [this, i] { decodeOptions.optSmpRate_Click(i); });
    for (int i = 0; i < Count(ui.optStereo); ++i)
        connect(ui.optStereo[i], &QRadioButton::clicked, this, [this, i] { decodeOptions.optStereo_Click(i); });

    for (Panel* p : {ui.frmConfig, ui.frmEqualizer, ui.frmTitle}) {
        connect(p, &Panel::pressed, this, [this, p](QPointF pos) { dragging.Panel_MouseDown(*p, pos); });
        connect(p, &Panel::moved, this, [this, p](QPointF pos) { dragging.Panel_MouseMove(*p, pos); });
        connect(p, &Panel::released, this, [this, p] { dragging.Panel_MouseUp(*p); });
    }
}

void Telbo::ConnectKeys() {
    auto key = [this](QKeySequence keys, auto handler) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, handler);
    };
    key(Qt::Key_Space, [this] {
        transport.lblPlaySet_Click(transport.TrackOpen() ? Transport::Pause : Transport::Play);
    });
    auto playSelected = [this] {
        // Enter in a text box finishes typing there; it is no command.
        QWidget* focus = QApplication::focusWidget();
        if (qobject_cast<QLineEdit*>(focus) || qobject_cast<QComboBox*>(focus)) return;
        listEditor.lstFile_DblClick(st.ListSelectFlag ? 0 : 1);
    };
    key(Qt::Key_Return, playSelected);
    key(Qt::Key_Enter, playSelected);
    key(Qt::Key_Delete, [this] { listEditor.lblListSet_Click(1); });
    key(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { listFiles.lblFileSet_Click(0); });
    // A jump moves the thumb as a drag would, so everything that follows a drag follows it.
    auto seekBy = [this](int seconds) {
        QScrollBar* bar = ui.sclNowTime;
        if (!transport.TrackOpen() || bar->maximum() <= 0) return;
        bar->setSliderDown(true);
        bar->setSliderPosition(std::clamp(bar->value() + seconds, 0, bar->maximum()));
        bar->setSliderDown(false);
    };
    key(Qt::Key_Left, [seekBy] { seekBy(-5); });
    key(Qt::Key_Right, [seekBy] { seekBy(5); });
    key(QKeySequence(Qt::CTRL | Qt::Key_Left), [this] { transport.lblPlaySet_Click(Transport::Rev); });
    key(QKeySequence(Qt::CTRL | Qt::Key_Right), [this] { transport.lblPlaySet_Click(Transport::Next); });
    for (Qt::Key k : {Qt::Key_Plus, Qt::Key_Equal})
        key(k, [this] { ChangeVolumeBy(5); });
    key(Qt::Key_Minus, [this] { ChangeVolumeBy(-5); });
    // Escape leaves a text box: the keys are the player's again (Space pauses, not types).
    key(Qt::Key_Escape, [this] {
        QWidget* focus = QApplication::focusWidget();
        if (!qobject_cast<QLineEdit*>(focus) && !qobject_cast<QComboBox*>(focus)) return;
        ListBox* list = ui.lstFile[st.ListSelectFlag ? 0 : 1];
        if (list->isVisible())
            list->setFocus(Qt::ShortcutFocusReason);
        else
            focus->clearFocus();
    });
}

} // namespace telbo
