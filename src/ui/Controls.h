#pragma once
// Typed handles to every control of the main window by its name and index, built from the
// declarative layout (Layout.cpp).

#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;
class QWidget;

namespace telbo {

class Label;
class ListBox;
class Panel;

struct Controls {
    QWidget* window = nullptr;

    // Header band
    std::array<Label*, 2> lblBack{};
    std::array<Label*, 2> lblTitle{};
    std::array<Label*, 6> lblPoint{};
    Label* lblNowTime = nullptr;
    std::array<Label*, 3> lblPlayerControl{};
    std::array<Label*, 9> lblSmallSet{};

    // Position slider, transport and selector rows
    QScrollBar* sclNowTime = nullptr;
    std::array<Label*, 2> lblDown{};
    std::array<Label*, 2> lblFileSet{};
    std::array<Label*, 5> lblPlaySet{};
    std::array<Label*, 2> lblListSelect{};
    Label* lblShowTag = nullptr;

    // List area and bottom row
    std::array<ListBox*, 2> lstFile{};
    std::array<Label*, 5> lblListSet{};

    // Panels
    Panel* frmEqualizer = nullptr;
    Panel* frmTitle = nullptr;
    Panel* frmConfig = nullptr;
    std::array<Panel*, 2> frmTag{};
    Panel* frmSmpRate = nullptr;
    Panel* frmStereo = nullptr;
    std::array<Label*, 5> lblClose{};

    // frmEqualizer
    QComboBox* cmbEqualizer = nullptr;
    std::array<QScrollBar*, 10> sclEqualizer{};

    // frmTitle
    QLineEdit* txtScrollTitle = nullptr;
    std::array<Label*, 8> lblScrollTitle{};

    // frmConfig
    std::array<Label*, 2> lblPlayerName{};
    std::array<Label*, 10> lblConf{};
    std::array<Label*, 10> lblConfValue{};
    std::array<QScrollBar*, 5> sclConfig{};
    QComboBox* cmbTimer = nullptr;
    std::array<Label*, 2> lblDefault{};
    std::array<QRadioButton*, 3> optSmpRate{};
    std::array<QRadioButton*, 2> optStereo{};

    // frmTag(0) and frmTag(1)
    std::array<Label*, 13> lblTagInfo{};
    std::array<Label*, 6> lblTagData{};
    std::array<QLineEdit*, 5> txtTagData{};
    QComboBox* cmbTagGenre = nullptr;
    std::array<Label*, 14> lblTagSet{};

    // Timers
    QTimer* tmrTime = nullptr;
    QTimer* tmrScroll = nullptr;
};

// The power-off dialog's controls.
struct PowerOffControls {
    QWidget* window = nullptr;
    std::array<Label*, 3> lblPowerOff{};
    QPushButton* cmdCancel = nullptr;
    QTimer* tmrPowerOff = nullptr;
};

} // namespace telbo
