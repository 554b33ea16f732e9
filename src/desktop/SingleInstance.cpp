#include "desktop/SingleInstance.h"

#include <QCryptographicHash>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>

namespace telbo {

namespace {
const QString kObjectPath = QStringLiteral("/io/telbo/Instance");
const QString kInterface = QStringLiteral("io.telbo.Instance");
constexpr int kAnswerMs = 1000;

// The same folder however it was reached (a symbolic link, "..", a trailing slash).
QString FolderKey(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(folder).absolutePath()) : canonical;
}
} // namespace

QString InstanceServiceName(const QString& programFolder) {
    const QByteArray hash =
        QCryptographicHash::hash(FolderKey(programFolder).toUtf8(), QCryptographicHash::Sha1);
    // A bus name element may not start with a digit.
    return QStringLiteral("io.telbo.Instance.f") + QString::fromLatin1(hash.toHex().left(16));
}

std::unique_ptr<SingleInstance> SingleInstance::Claim(const QDBusConnection& bus,
                                                      const QString& programFolder,
                                                      const QStringList& files, bool& handedOver) {
    handedOver = false;
    if (!bus.isConnected()) return nullptr;
    const QString name = InstanceServiceName(programFolder);
    std::unique_ptr<SingleInstance> self(new SingleInstance(bus, name));
    if (self->bus_.registerService(name)) {
        self->registered_ = true;
        if (self->bus_.registerObject(kObjectPath, self.get(), QDBusConnection::ExportScriptableSlots))
            return self;
        return nullptr;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(name, kObjectPath, kInterface,
                                                       QStringLiteral("Open"));
    call << files;
    const QDBusMessage reply = self->bus_.call(call, QDBus::Block, kAnswerMs);
    handedOver = reply.type() == QDBusMessage::ReplyMessage;
    return nullptr;
}

SingleInstance::SingleInstance(const QDBusConnection& bus, QString name)
    : bus_(bus), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    if (!registered_) return;
    bus_.unregisterObject(kObjectPath);
    bus_.unregisterService(name_);
}

void SingleInstance::Serve(std::function<void(const QStringList&)> open) {
    open_ = std::move(open);
    for (const QStringList& files : std::exchange(early_, {})) open_(files);
}

void SingleInstance::Open(const QStringList& files) {
    if (open_)
        open_(files);
    else
        early_ << files;
}

} // namespace telbo
