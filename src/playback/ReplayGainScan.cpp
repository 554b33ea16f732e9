#include "playback/ReplayGainScan.h"

#include "core/PathNames.h"
#include "ui/Telbo.h"

#include <QPointer>

namespace telbo {

ReplayGainScan::~ReplayGainScan() { Stop(); }

void ReplayGainScan::Stop() {
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
}

void ReplayGainScan::StartOrCancel() {
    if (running()) {
        cancel_ = true;
        return;
    }
    if (!scanner) return;
    std::vector<std::string> paths;
    for (int i = 0; i < w.st.KO && i < kSlots; ++i)
        paths.push_back(w.st.TitleFiles[static_cast<std::size_t>(i)].toStdString());
    if (paths.empty()) {
        w.titleBuilder.ShowNotice(QStringLiteral("Nothing to scan: Open or drop files"));
        return;
    }
    cancel_ = false;
    w.titleBuilder.ShowNotice(QStringLiteral("ReplayGain 0 / %1").arg(paths.size()));
    QPointer<ReplayGainScan> self(this);
    worker_ = std::thread([this, self, paths] {
        auto progress = [self](std::size_t done, std::size_t total) {
            QMetaObject::invokeMethod(self, [self, done, total] {
                if (self && self->running())
                    self->w.titleBuilder.ShowNotice(QStringLiteral("ReplayGain %1 / %2").arg(done).arg(total));
            }, Qt::QueuedConnection);
        };
        const ReplayGainScanOutcome outcome = scanner(paths, progress, cancel_);
        QMetaObject::invokeMethod(self, [self, outcome, total = paths.size()] {
            if (self) self->Finished(outcome, total);
        }, Qt::QueuedConnection);
    });
}

void ReplayGainScan::Finished(const ReplayGainScanOutcome& outcome, std::size_t total) {
    if (worker_.joinable()) worker_.join();
    w.titleBuilder.ShowNotice(ReplayGainScanReport(outcome, total, cancel_));
    for (std::size_t i = 0; i < total && i < kSlots; ++i) {
        const QString path = w.st.TitleFiles[i];
        bool failed = false;
        for (const auto& f : outcome.failures) failed = failed || QString::fromStdString(f.first) == path;
        if (!failed) emit w.tagSaved(path);
    }
}

QString ReplayGainScanReport(const ReplayGainScanOutcome& outcome, std::size_t total, bool cancelled) {
    QString text = QStringLiteral("ReplayGain: %1 of %2 tagged").arg(outcome.written).arg(total);
    if (cancelled) text += QStringLiteral(", cancelled");
    // The files that could not be written, named; a cancelled one is no fault of the file.
    QStringList named;
    for (const auto& [path, why] : outcome.failures)
        if (why != "cancelled")
            named << DisplayName(QString::fromStdString(path)) + QStringLiteral(": ") +
                         QString::fromStdString(why);
    if (!named.isEmpty()) text += QStringLiteral(" (not written: ") + named.join(QStringLiteral(", ")) + u')';
    return text;
}

} // namespace telbo
