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

class Telbo;
class MprisPlayerAdaptor;

// Qt D-Bus gives the context of a call made on an adaptor to the adaptor's parent: this.
class MprisService final : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* kBaseName = "org.mpris.MediaPlayer2.telbo";

    // Puts the started player `w` on `bus` as org.mpris.MediaPlayer2.telbo, or as
    // ...telbo.instance<pid> while another Telbo holds that name. Null when the bus is not
    // connected or refuses the object or the name: the player then runs without it, silently.
    // The service must not outlive `w`.
    static std::unique_ptr<MprisService> Start(Telbo& w, const QDBusConnection& bus);
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
    // Through the settings panel's value labels; an unknown status changes nothing.
    void SetLoopStatus(const QString& status);
    void SetShuffle(bool on);

private:
    MprisService(Telbo& w, const QDBusConnection& bus);
    mpris::PlayerFacts ReadFacts();
    // Follows the window's events.
    void Subscribe();
    // Clicks the play-mode and end-of-list value labels round to `want`.
    void SelectModes(const mpris::PlayModes& want);
    // On the bus and the window not shut down: the decoder is there to be asked.
    bool Live() const;
    // The transport has a track open (playing, paused, or between two tracks).
    bool TrackOpen() const;
    // PlayPoint when it names a used slot, else -1.
    int CurrentSlot() const;
    bool Open(const QString& uri);
    // Takes the player off the bus for good.
    void Withdraw();

    Telbo& w;
    QDBusConnection bus_;
    QString name_;
    MprisPlayerAdaptor* player_ = nullptr;
    QVariantMap announced_;
    // The tag of the current track, read once per track (and again when the title line read
    // a different one for it).
    QString tagPath_;
    TagRecord tag_;
    TagRecord titleTagSeen_;
    // The current track's cover image, found with its tag.
    QString cover_;
    bool objectRegistered_ = false;
    bool withdrawn_ = false;
};

} // namespace telbo
