#include "ui/ContextMenu.h"

#include "decoder/AudioEngine.h"
#include "ui/Telbo.h"

#include "core/SessionFile.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include <algorithm>
#include <vector>

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
    AddReplayGain(menu);
    AddOutput(menu);
    return menu;
}

void ContextMenu::AddReplayGain(QMenu* menu) {
    QMenu* gain = menu->addMenu(QStringLiteral("ReplayGain"));
    const ReplayGainOptions now = w.session.replayGain();
    auto apply = [this](auto change) {
        ReplayGainOptions o = w.session.replayGain();
        change(o);
        w.session.SetReplayGain(o);
    };
    auto* modes = new QActionGroup(gain);
    for (const ReplayGainMode mode : kReplayGainModes) {
        const QString text = mode == ReplayGainMode::Auto
                                 ? QStringLiteral("Auto (album gain within an album)")
                                 : ReplayGainModeName(mode);
        QAction* a = Toggle(gain, text, now.Mode == mode);
        modes->addAction(a);
        QObject::connect(a, &QAction::triggered, gain,
                         [apply, mode] { apply([mode](ReplayGainOptions& o) { o.Mode = mode; }); });
    }
    gain->addSeparator();
    // Pre-amps in steps of 3 dB over the range the settings take.
    auto preamps = [&](const QString& title, double current, double ReplayGainOptions::*field) {
        QMenu* sub = gain->addMenu(title);
        auto* group = new QActionGroup(sub);
        for (int db = -15; db <= 15; db += 3) {
            QAction* a = Toggle(sub, QStringLiteral("%1%2 dB").arg(db > 0 ? "+" : "").arg(db),
                                qFuzzyCompare(1 + current, 1 + db));
            group->addAction(a);
            QObject::connect(a, &QAction::triggered, sub, [apply, db, field] {
                apply([db, field](ReplayGainOptions& o) { o.*field = db; });
            });
        }
    };
    preamps(QStringLiteral("Pre-amp, tagged files"), now.Preamp, &ReplayGainOptions::Preamp);
    preamps(QStringLiteral("Pre-amp, untagged files"), now.UntaggedPreamp,
            &ReplayGainOptions::UntaggedPreamp);
    QObject::connect(Toggle(gain, QStringLiteral("Prevent clipping"), now.ClipPrevention),
                     &QAction::toggled, gain,
                     [apply](bool on) { apply([on](ReplayGainOptions& o) { o.ClipPrevention = on; }); });
    if (w.replayGainScan.available()) {
        gain->addSeparator();
        QAction* scan = gain->addAction(w.replayGainScan.running()
                                            ? QStringLiteral("Cancel the ReplayGain scan")
                                            : QStringLiteral("Scan ReplayGain (writes the tags)"));
        QObject::connect(scan, &QAction::triggered, gain, [this] { w.replayGainScan.StartOrCancel(); });
    }
}

void ContextMenu::AddOutput(QMenu* menu) {
    QMenu* out = menu->addMenu(QStringLiteral("Output"));
    const std::vector<OutputDevice> outputs = w.engine.ListOutputs();
    const QString chosen = w.session.outputDevice();
    const bool listed = std::any_of(outputs.begin(), outputs.end(), [&](const OutputDevice& o) {
        return QString::fromStdString(o.Name) == chosen;
    });
    auto* group = new QActionGroup(out);
    auto add = [&](const QString& text, const QString& name, bool on) {
        QAction* a = Toggle(out, text, on);
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, out,
                         [this, name] { w.session.SetOutputDevice(name); });
    };
    // A remembered output that is gone plays on the default: that is what is checked.
    add(QStringLiteral("Default (follows the desktop)"), QString(), chosen.isEmpty() || !listed);
    for (const OutputDevice& o : outputs) {
        const QString name = QString::fromStdString(o.Name);
        add(QString::fromStdString(o.Description).replace(u'&', QStringLiteral("&&")), name,
            listed && name == chosen);
    }
    if (outputs.empty()) {
        out->addSeparator();
        out->addAction(QStringLiteral("Only the default output is available"))->setEnabled(false);
    }
}

void ContextMenu::Popup(const QPoint& globalPos) {
    // A press on the background may have started a drag; the menu takes the release.
    w.dragging.Form_MouseUp();
    Build(&w)->popup(globalPos);
}

} // namespace telbo
