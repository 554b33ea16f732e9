#pragma once

namespace telbo {

class Telbo;

// The "Config" panel's ten rows and its "Default" and "Window" buttons.
class SettingsPanel {
public:
    explicit SettingsPanel(Telbo& w) : w(w) {}
    void lblConf_Click(int index);
    void lblConfValue_Click(int index);
    void sclConfig_Change(int index);
    void sclConfig_Scroll(int index);
    void lblDefault_Click(int index);

private:
    Telbo& w;
};

} // namespace telbo
