#include "ui/ContextMenu.h"

#include "ui/Telbo.h"

#include <QAction>
#include <QMenu>

namespace telbo {

namespace {
QAction* Toggle(QMenu* menu, const QString& text, bool on) {
    QAction* a = menu->addAction(text);
    a->setCheckable(true);
    a->setChecked(on);
    return a;
}
} // namespace

QMenu* ContextMenu::Build(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(Toggle(menu, QStringLiteral("Resume where I stopped"), w.session.resume()),
                     &QAction::toggled, menu, [this](bool on) { w.session.SetResume(on); });
    QObject::connect(Toggle(menu, QStringLiteral("Show the time left"), w.st.ShowRemaining),
                     &QAction::toggled, menu, [this](bool on) {
                         w.transport.SetShowRemaining(on);
                         w.session.Save();
                     });
    return menu;
}

void ContextMenu::Popup(const QPoint& globalPos) {
    // A press on the background may have started a drag; the menu takes the release.
    w.dragging.Form_MouseUp();
    Build(&w)->popup(globalPos);
}

} // namespace telbo
