#include "settings/PowerOffDialog.h"

#include "platform/Platform.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Telbo.h"
#include "ui/Twips.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QTimer>

namespace telbo {

namespace {
constexpr std::int16_t kCountdownSeconds = 30;
}

// A window of its own, not a utility window of the main one: window managers hide those with
// the main window, and the sleep timer fires mostly while the player is minimised or on
// another workspace. Shown anew each time, on top, so it appears where the user is.
PowerOffDialog::PowerOffDialog(Telbo& main)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      main_(main) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("PowerOff"));
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    ui_ = BuildPowerOffDialog(this);
    setFixedSize(static_cast<int>(3450 / tw::kPerPixel), static_cast<int>(1110 / tw::kPerPixel));
    connect(ui_.cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(ui_.tmrPowerOff, &QTimer::timeout, this, [this] { tmrPowerOff_Timer(); });
}

void PowerOffDialog::Form_Load() {
    ui_.tmrPowerOff->start();
    seconds_ = kCountdownSeconds;
    ShowSeconds();
}

void PowerOffDialog::tmrPowerOff_Timer() {
    if (!ui_.tmrPowerOff->isActive()) return;
    --seconds_;
    ShowSeconds();
    if (seconds_ >= 1) return;
    // Once only, however many ticks are still queued.
    ui_.tmrPowerOff->stop();
    // Requested before the player closes; if it cannot be started the player closes all the
    // same (the settings are saved either way).
    if (!main_.platform.powerOff()) qWarning("telbo: the power-off could not be started");
    main_.close();
}

void PowerOffDialog::cmdCancel_Click() {
    seconds_ = kCountdownSeconds;
    ui_.tmrPowerOff->stop();
    close();
}

void PowerOffDialog::closeEvent(QCloseEvent* e) {
    ui_.tmrPowerOff->stop();
    if (main_.form2 == this) main_.form2 = nullptr;
    e->accept();
}

void PowerOffDialog::ShowSeconds() {
    ui_.lblPowerOff[1]->setCaption(QString::number(seconds_));
}

} // namespace telbo
