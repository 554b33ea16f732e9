#pragma once
// A session bus of the test's own (dbus-daemon started with QProcess), a client on it that
// waits for answers while the window's event loop runs, and a recorder of the MPRIS signals.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace telbo::test {

class PrivateBus {
public:
    // Path of dbus-daemon, empty when it is not installed.
    static QString DaemonProgram();
    // Starts the daemon; false (with the reason in `error`) when it does not come up.
    bool Start();
    ~PrivateBus();

    QString address;
    QString error;

private:
    QProcess daemon_;
};

// Properties signals and Seeked of org.mpris.MediaPlayer2.Player, as received by a client.
class BusRecorder final : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changes; // one map per PropertiesChanged
    QList<qlonglong> seeks;

    // The last announced value of `property`, invalid when none was announced.
    QVariant Last(const QString& property) const;
    // Waits (running the event loop) until `property` is announced as `value`.
    bool WaitFor(const QString& property, const QVariant& value, int ms = 3000);

public slots:
    void PropertiesChanged(const QString& iface, const QVariantMap& changed,
                           const QStringList& invalidated);
    void Seeked(qlonglong position);
};

// A client of the player's service on `bus`.
class MprisClient {
public:
    MprisClient(const QDBusConnection& bus, const QString& service)
        : bus_(bus), service_(service) {}
    // Calls and waits for the answer while the event loop runs (the service lives on this thread).
    QDBusMessage Call(const QString& iface, const QString& method, const QVariantList& args = {});
    QDBusMessage Player(const QString& method, const QVariantList& args = {});
    // A property of org.mpris.MediaPlayer2.Player (or of `iface`), demarshalled.
    QVariant Get(const QString& property,
                 const QString& iface = QStringLiteral("org.mpris.MediaPlayer2.Player"));
    QDBusMessage Set(const QString& property, const QVariant& value);
    // Connects `recorder` to the service's signals.
    bool Listen(BusRecorder& recorder);

private:
    QDBusConnection bus_;
    QString service_;
};

// Metadata as received (a{sv} arrives as a QDBusArgument) turned into a plain map.
QVariantMap AsMap(const QVariant& v);

} // namespace telbo::test
