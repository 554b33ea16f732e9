#pragma once
// The player on the session bus for the desktop's media keys and controls (MPRIS 2). Every
// method runs the command a click on the window runs, so the window and the desktop agree.

#include "desktop/MprisValues.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

namespace telbo {

class Remote;
class MprisPlayerAdaptor;

// Qt D-Bus gives the context of a call made on an adaptor to the adaptor's parent: this.
class MprisService final : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* kBaseName = "org.mpris.MediaPlayer2.telbo";

    // Puts the started player, seen through `player`, on `bus` as org.mpris.MediaPlayer2.telbo,
    // or as ...telbo.instance<pid> while another Telbo holds that name. Null when the bus is
    // not connected or refuses the object or the name: the player then runs without it,
    // silently. The service must not outlive the player.
    static std::unique_ptr<MprisService> Start(Remote& player, const QDBusConnection& bus);
    ~MprisService() override;

    const QString& serviceName() const { return name_; }

    // Reads the player again and announces the Player properties that changed. Runs after each
    // method and on each of the window's events that can change one; once the window has shut
    // down it takes the player off the bus instead.
    void Refresh();
    // A Player property as announced, refreshed first.
    QVariant Value(const QString& name);
    // Elapsed time of the open track in microseconds; 0 with nothing open.
    qint64 Position();

    // org.mpris.MediaPlayer2
    void Raise();
    void Quit();
    // org.mpris.MediaPlayer2.Player
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qint64 offsetMicros);
    void SetPosition(const QDBusObjectPath& trackId, qint64 positionMicros);
    // False (nothing done, and an error for a caller on the bus) for anything but an existing
    // local track or list file.
    bool OpenUri(const QString& uri);
    void SetVolume(double volume);
    void SetRate(double rate);
    // Through the settings' setters; an unknown status changes nothing.
    void SetLoopStatus(const QString& status);
    void SetShuffle(bool on);

private:
    MprisService(Remote& player, const QDBusConnection& bus);
    // Follows the player's events.
    void Subscribe();
    // On the bus and the player not shut down.
    bool Live() const;
    bool Open(const QString& uri);
    // Takes the player off the bus for good.
    void Withdraw();

    Remote& player;
    QDBusConnection bus_;
    QString name_;
    MprisPlayerAdaptor* player_ = nullptr;
    QVariantMap announced_;
    mpris::PlayerFacts facts_; // as last read
    bool objectRegistered_ = false;
    bool withdrawn_ = false;
};

} // namespace telbo
