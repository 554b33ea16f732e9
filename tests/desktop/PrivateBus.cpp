#include "PrivateBus.h"

#include <QDBusArgument>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

namespace telbo::test {

namespace {
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

QVariant Plain(const QVariant& v) {
    if (v.userType() == qMetaTypeId<QDBusVariant>())
        return Plain(v.value<QDBusVariant>().variant());
    if (v.userType() == qMetaTypeId<QDBusArgument>()) return AsMap(v);
    return v;
}
} // namespace

QVariantMap AsMap(const QVariant& v) {
    QVariantMap raw;
    if (v.userType() == qMetaTypeId<QDBusArgument>())
        v.value<QDBusArgument>() >> raw;
    else
        raw = v.toMap();
    QVariantMap out;
    for (auto it = raw.cbegin(); it != raw.cend(); ++it)
        out.insert(it.key(), Plain(it.value()));
    return out;
}

QString PrivateBus::DaemonProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
}

bool PrivateBus::Start() {
    daemon_.setProgram(DaemonProgram());
    daemon_.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                          QStringLiteral("--print-address=1")});
    // The bus goes with the test process, even when the test crashes or is killed.
    daemon_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon_.start();
    if (!daemon_.waitForStarted(5000)) {
        error = QStringLiteral("dbus-daemon did not start: ") + daemon_.errorString();
        return false;
    }
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
    }
    address = QString::fromUtf8(daemon_.readLine()).trimmed();
    if (address.isEmpty()) error = QStringLiteral("dbus-daemon printed no address");
    return !address.isEmpty();
}

PrivateBus::~PrivateBus() {
    if (daemon_.state() == QProcess::NotRunning) return;
    daemon_.terminate();
    if (!daemon_.waitForFinished(3000)) {
        daemon_.kill();
        daemon_.waitForFinished(3000);
    }
}

QVariant BusRecorder::Last(const QString& property) const {
    for (auto it = changes.crbegin(); it != changes.crend(); ++it)
        if (it->contains(property)) return it->value(property);
    return {};
}

bool BusRecorder::WaitFor(const QString& property, const QVariant& value, int ms) {
    return QTest::qWaitFor([&] { return Last(property) == value; }, ms);
}

void BusRecorder::PropertiesChanged(const QString& iface, const QVariantMap& changed,
                                    const QStringList&) {
    if (iface != kPlayer) return;
    QVariantMap plain;
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        plain.insert(it.key(), Plain(it.value()));
    changes << plain;
}

void BusRecorder::Seeked(qlonglong position) {
    seeks << position;
}

QDBusMessage MprisClient::Call(const QString& iface, const QString& method,
                               const QVariantList& args) {
    QDBusMessage m = QDBusMessage::createMethodCall(service_, kPath, iface, method);
    m.setArguments(args);
    QDBusPendingCall pending = bus_.asyncCall(m, 5000);
    if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 6000)) return {};
    return pending.reply();
}

QDBusMessage MprisClient::Player(const QString& method, const QVariantList& args) {
    return Call(kPlayer, method, args);
}

QVariant MprisClient::Get(const QString& property, const QString& iface) {
    const QDBusMessage reply = Call(kProperties, QStringLiteral("Get"), {iface, property});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return Plain(reply.arguments().first());
}

QDBusMessage MprisClient::Set(const QString& property, const QVariant& value) {
    return Call(kProperties, QStringLiteral("Set"),
                {kPlayer, property, QVariant::fromValue(QDBusVariant(value))});
}

bool MprisClient::Listen(BusRecorder& recorder) {
    return bus_.connect(service_, kPath, kProperties, QStringLiteral("PropertiesChanged"),
                        &recorder, SLOT(PropertiesChanged(QString, QVariantMap, QStringList))) &&
           bus_.connect(service_, kPath, kPlayer, QStringLiteral("Seeked"), &recorder,
                        SLOT(Seeked(qlonglong)));
}

} // namespace telbo::test
