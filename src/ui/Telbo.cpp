#include "ui/Telbo.h"

#include "platform/Platform.h"
#include "playback/Decoder.h"
#include "settings/PowerOffDialog.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/ListBox.h"
#include "ui/Panel.h"
#include "ui/Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

namespace telbo {

Telbo::Telbo(Decoder& decoder, Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), decoder(decoder), platform(platform) {
    setObjectName(QStringLiteral("Telbo"));
    setWindowTitle(QString::fromUtf8(kCaption));
    setWindowIcon(QIcon(QStringLiteral(":/telbo.png")));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    setMouseTracking(true);
    ui = BuildMainWindow(this);
    tw::SetWidth(this, kNormalWidth);
    tw::SetHeight(this, kUnfoldedHeight);
    ConnectEvents();
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

void Telbo::ShowPowerOffDialog() {
    if (!form2) form2 = new PowerOffDialog(*this);
    form2->Form_Load();
    form2->show();
    form2->raise();
    // The machine goes down in 30 seconds: the user must see it coming.
    platform.demandAttention(form2);
}

void Telbo::closeEvent(QCloseEvent* e) {
    lifecycle.ShutDown();
    if (form2) form2->close();
    e->accept();
    platform.endProgram();
}

void Telbo::mousePressEvent(QMouseEvent* e) { dragging.Form_MouseDown(tw::FromPixels(e->position())); }
void Telbo::mouseMoveEvent(QMouseEvent* e) { dragging.Form_MouseMove(tw::FromPixels(e->position())); }
void Telbo::mouseReleaseEvent(QMouseEvent*) { dragging.Form_MouseUp(); }

void Telbo::ConnectEvents() {
    for (int i = 0; i < 2; ++i) {
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
    for (int i = 0; i < 2; ++i) {
        ListBox* list = ui.lstFile[i];
        connect(list, &ListBox::filesDropped, this,
                [this](const QList<QUrl>& urls) { fileAdder.FilesDropped(1, urls); });
        connect(list, &QListWidget::currentRowChanged, this, [this, i] { listEditor.lstFile_Click(i); });
        // Clicking the selected row again runs the action too (a file deleted meanwhile goes).
        connect(list, &ListBox::currentRowClickedAgain, this, [this, i] { listEditor.lstFile_Click(i); });
        connect(list, &QListWidget::itemDoubleClicked, this, [this, i] { listEditor.lstFile_DblClick(i); });
    }

    auto onClick = [this](Label* l, auto handler) { connect(l, &Label::clicked, this, handler); };
    auto feedback = [this](Label* l, FeedbackGroup g, int i) {
        connect(l, &Label::pressed, this, [this, g, i] { dragging.Feedback_MouseDown(g, i); });
        connect(l, &Label::released, this, [this, g, i] { dragging.Feedback_MouseUp(g, i); });
    };

    for (int i = 0; i < 2; ++i) onClick(ui.lblDown[i], [this, i] { windowModes.lblDown_Click(i); });
    for (int i = 0; i < 5; ++i) onClick(ui.lblClose[i], [this, i] { windowModes.lblClose_Click(i); });
    for (int i = 0; i < 3; ++i)
        onClick(ui.lblPlayerControl[i], [this, i] { windowModes.lblPlayerControl_Click(i); });
    for (int i = 0; i < 9; ++i)
        onClick(ui.lblSmallSet[i], [this, i] { windowModes.lblSmallSet_Click(i); });
    for (int i = 0; i < 5; ++i) {
        onClick(ui.lblPlaySet[i], [this, i] { transport.lblPlaySet_Click(i); });
        feedback(ui.lblPlaySet[i], FeedbackGroup::PlaySet, i);
        onClick(ui.lblListSet[i], [this, i] { listEditor.lblListSet_Click(i); });
        feedback(ui.lblListSet[i], FeedbackGroup::ListSet, i);
    }
    for (int i = 0; i < 2; ++i) {
        onClick(ui.lblFileSet[i], [this, i] { listFiles.lblFileSet_Click(i); });
        feedback(ui.lblFileSet[i], FeedbackGroup::FileSet, i);
        onClick(ui.lblListSelect[i], [this, i] { listEditor.lblListSelect_Click(i); });
    }
    for (int i = 0; i < 8; ++i) {
        onClick(ui.lblScrollTitle[i], [this, i] { titleBuilder.lblScrollTitle_Click(i); });
        feedback(ui.lblScrollTitle[i], FeedbackGroup::ScrollTitle, i);
    }
    connect(ui.txtScrollTitle, &QLineEdit::textChanged, this, [this] { titleBuilder.txtScrollTitle_Change(); });
    connect(ui.tmrScroll, &QTimer::timeout, this, [this] { titleScroller.tmrScroll_Timer(); });

    onClick(ui.lblShowTag, [this] { tagEditor.lblShowTag_Click(); });
    for (int i = 0; i < 14; ++i) {
        onClick(ui.lblTagSet[i], [this, i] { tagEditor.lblTagSet_Click(i); });
        feedback(ui.lblTagSet[i], FeedbackGroup::TagSet, i);
    }

    for (int i = 0; i < 10; ++i) {
        onClick(ui.lblConf[i], [this, i] { settingsPanel.lblConf_Click(i); });
        onClick(ui.lblConfValue[i], [this, i] { settingsPanel.lblConfValue_Click(i); });
    }
    for (int i = 0; i < 2; ++i) onClick(ui.lblDefault[i], [this, i] { settingsPanel.lblDefault_Click(i); });
    // valueChanged also follows the thumb while it is dragged, so one connection serves both
    // the change and the scroll events.
    for (int i = 0; i < 5; ++i)
        connect(ui.sclConfig[i], &QScrollBar::valueChanged, this, [this, i] { settingsPanel.sclConfig_Change(i); });
    connect(ui.cmbTimer, &QComboBox::activated, this, [this](int index) { sleepTimer.cmbTimer_Click(index); });

    connect(ui.tmrTime, &QTimer::timeout, this, [this] { transport.tmrTime_Timer(); });
    connect(ui.sclNowTime, &QScrollBar::sliderMoved, this, [this](int v) { transport.sclNowTime_Scroll(v); });

    connect(ui.cmbEqualizer, &QComboBox::activated, this, [this](int index) { equalizer.cmbEqualizer_Click(index); });
    for (int i = 0; i < 10; ++i)
        connect(ui.sclEqualizer[i], &QScrollBar::valueChanged, this, [this, i] { equalizer.sclEqualizer_Change(i); });
    for (int i = 0; i < 3; ++i)
        connect(ui.optSmpRate[i], &QRadioButton::clicked, this, [this, i] { decodeOptions.optSmpRate_Click(i); });
    for (int i = 0; i < 2; ++i)
        connect(ui.optStereo[i], &QRadioButton::clicked, this, [this, i] { decodeOptions.optStereo_Click(i); });

    for (Panel* p : {ui.frmConfig, ui.frmEqualizer, ui.frmTitle}) {
        connect(p, &Panel::pressed, this, [this, p](QPointF pos) { dragging.Panel_MouseDown(*p, pos); });
        connect(p, &Panel::moved, this, [this, p](QPointF pos) { dragging.Panel_MouseMove(*p, pos); });
        connect(p, &Panel::released, this, [this, p] { dragging.Panel_MouseUp(*p); });
    }
}

} // namespace telbo
