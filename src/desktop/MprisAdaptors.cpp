#include "desktop/MprisAdaptors.h"

#include "desktop/MprisService.h"

namespace telbo {

MprisRootAdaptor::MprisRootAdaptor(MprisService& service)
    : QDBusAbstractAdaptor(&service), service_(service) {}

QStringList MprisRootAdaptor::SupportedMimeTypes() const {
    return {QStringLiteral("audio/mpeg"),      QStringLiteral("audio/flac"),
            QStringLiteral("audio/ogg"),       QStringLiteral("audio/x-vorbis+ogg"),
            QStringLiteral("audio/x-opus+ogg"), QStringLiteral("audio/x-wav"),
            QStringLiteral("audio/x-aiff"),    QStringLiteral("audio/x-mpegurl")};
}

void MprisRootAdaptor::Raise() {
    service_.Raise();
}
void MprisRootAdaptor::Quit() {
    service_.Quit();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService& service)
    : QDBusAbstractAdaptor(&service), service_(service) {}

QString MprisPlayerAdaptor::PlaybackStatus() const {
    return service_.Value(QStringLiteral("PlaybackStatus")).toString();
}
double MprisPlayerAdaptor::Rate() const {
    return service_.Value(QStringLiteral("Rate")).toDouble();
}
void MprisPlayerAdaptor::setRate(double rate) {
    service_.SetRate(rate);
}
QVariantMap MprisPlayerAdaptor::Metadata() const {
    return service_.Value(QStringLiteral("Metadata")).toMap();
}
double MprisPlayerAdaptor::Volume() const {
    return service_.Value(QStringLiteral("Volume")).toDouble();
}
void MprisPlayerAdaptor::setVolume(double volume) {
    service_.SetVolume(volume);
}
qlonglong MprisPlayerAdaptor::Position() const {
    return service_.Position();
}
double MprisPlayerAdaptor::MinimumRate() const {
    return mpris::kMinimumRate;
}
double MprisPlayerAdaptor::MaximumRate() const {
    return mpris::kMaximumRate;
}
bool MprisPlayerAdaptor::CanGoNext() const {
    return service_.Value(QStringLiteral("CanGoNext")).toBool();
}
bool MprisPlayerAdaptor::CanGoPrevious() const {
    return service_.Value(QStringLiteral("CanGoPrevious")).toBool();
}
bool MprisPlayerAdaptor::CanPlay() const {
    return service_.Value(QStringLiteral("CanPlay")).toBool();
}
bool MprisPlayerAdaptor::CanPause() const {
    return service_.Value(QStringLiteral("CanPause")).toBool();
}
bool MprisPlayerAdaptor::CanSeek() const {
    return service_.Value(QStringLiteral("CanSeek")).toBool();
}
QString MprisPlayerAdaptor::LoopStatus() const {
    return service_.Value(QStringLiteral("LoopStatus")).toString();
}
void MprisPlayerAdaptor::setLoopStatus(const QString& status) {
    service_.SetLoopStatus(status);
}
bool MprisPlayerAdaptor::Shuffle() const {
    return service_.Value(QStringLiteral("Shuffle")).toBool();
}
void MprisPlayerAdaptor::setShuffle(bool on) {
    service_.SetShuffle(on);
}

void MprisPlayerAdaptor::Next() {
    service_.Next();
}
void MprisPlayerAdaptor::Previous() {
    service_.Previous();
}
void MprisPlayerAdaptor::Pause() {
    service_.Pause();
}
void MprisPlayerAdaptor::PlayPause() {
    service_.PlayPause();
}
void MprisPlayerAdaptor::Stop() {
    service_.Stop();
}
void MprisPlayerAdaptor::Play() {
    service_.Play();
}
void MprisPlayerAdaptor::Seek(qlonglong Offset) {
    service_.Seek(Offset);
}
void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    service_.SetPosition(TrackId, Position);
}
void MprisPlayerAdaptor::OpenUri(const QString& Uri) {
    service_.OpenUri(Uri);
}

} // namespace telbo
