#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into an orderly close of the main window. Qt is never
// called from the signal handler: it writes to a socket pair that the event loop watches.

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace telbo {

class SignalBridge final : public QObject {
    Q_OBJECT
public:
    explicit SignalBridge(QWidget* window);
    ~SignalBridge() override;

private:
    QWidget* window_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace telbo
