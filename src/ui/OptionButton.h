#pragma once
// An option button drawn in its own colours: the box of the layout is only 12 pixels high,
// too small for the style's indicator and text, and the style paints its own background.

#include <QRadioButton>

namespace telbo {

class OptionButton final : public QRadioButton {
    Q_OBJECT
public:
    OptionButton(const QString& text, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
    bool hitButton(const QPoint& pos) const override;
};

} // namespace telbo
