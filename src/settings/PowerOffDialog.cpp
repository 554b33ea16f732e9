#include "settings/PowerOffDialog.h"

#include "ui/Layout.h"
#include "ui/Telbo.h"
#include "ui/Twips.h"

namespace telbo {

PowerOffDialog::PowerOffDialog(Telbo& main)
    : QWidget(&main, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint), main_(main) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("PowerOff"));
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    ui_ = BuildPowerOffDialog(this);
    setFixedSize(static_cast<int>(3450 / tw::kPerPixel), static_cast<int>(1110 / tw::kPerPixel));
}

void PowerOffDialog::Form_Load() {}
void PowerOffDialog::tmrPowerOff_Timer() {}
void PowerOffDialog::cmdCancel_Click() {}

} // namespace telbo
