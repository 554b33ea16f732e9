#pragma once

#include "ui/Controls.h"

#include <QWidget>

#include <cstdint>

namespace telbo {

class Telbo;

// The power-off countdown dialog ("Form2"). Does not block the main window.
class PowerOffDialog final : public QWidget {
    Q_OBJECT
public:
    PowerOffDialog(Telbo& main);
    // Starts the countdown from 30 seconds.
    void Form_Load();
    // One second passed: counts down; below 1 requests the power-off and closes the player.
    // Does nothing while the countdown is not running.
    void tmrPowerOff_Timer();
    // Stops the countdown and closes the dialog; nothing is powered off.
    void cmdCancel_Click();
    std::int16_t Seconds() const { return seconds_; }
    const PowerOffControls& controls() const { return ui_; }

protected:
    // However the dialog is closed, its countdown ends with it, and the main window no longer
    // hands it out: a dialog on its way to deletion must not be shown again.
    void closeEvent(QCloseEvent* e) override;

private:
    void ShowSeconds();

    Telbo& main_;
    PowerOffControls ui_;
    std::int16_t seconds_ = 0;
};

} // namespace telbo
