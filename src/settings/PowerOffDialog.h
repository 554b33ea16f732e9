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
    void Form_Load();
    void tmrPowerOff_Timer();
    void cmdCancel_Click();
    std::int16_t Seconds() const { return seconds_; }
    const PowerOffControls& controls() const { return ui_; }

private:
    Telbo& main_;
    PowerOffControls ui_;
    std::int16_t seconds_ = 0;
};

} // namespace telbo
