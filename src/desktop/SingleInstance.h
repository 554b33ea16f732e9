#pragma once
// One player per user and program folder: a second start hands its command line to the
// player that runs and ends. Players of other program folders (another config.ini) are
// players of their own. Without a session bus every start is a player, as it always was.

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace telbo {

// The bus name of the player of `programFolder`: one per folder, valid on any bus.
QString InstanceServiceName(const QString& programFolder);

class SingleInstance final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.telbo.Instance")
public:
    // Claims the name of `programFolder`'s player. When another process holds it, hands it
    // `files` (absolute paths) and returns null: the caller ends. Also returns null, without
    // handing anything over, when there is no bus; a player that holds the name but does not
    // answer within a second lets this one run unclaimed. `handedOver` tells the two apart.
    static std::unique_ptr<SingleInstance> Claim(const QDBusConnection& bus,
                                                 const QString& programFolder,
                                                 const QStringList& files, bool& handedOver);
    ~SingleInstance() override;

    // What to do with a later start's files, once the window exists.
    void Serve(std::function<void(const QStringList&)> open);

public slots:
    // Called over the bus by a second start.
    Q_SCRIPTABLE void Open(const QStringList& files);

private:
    SingleInstance(const QDBusConnection& bus, QString name);

    QDBusConnection bus_;
    QString name_;
    bool registered_ = false;
    std::function<void(const QStringList&)> open_;
    QList<QStringList> early_; // calls that came before Serve
};

} // namespace telbo
