// Any bytes must parse without a crash, as config.ini and as telbo.ini, and every value must
// come out inside its range; what telbo.ini's reader gives, its writer writes back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/SessionFile.h"
#include "core/SettingsFile.h"

namespace {
void Check(bool ok) {
    if (!ok) std::abort();
}
template <typename Mode> bool Known(Mode mode) {
    return telbo::ModeNumber(mode) >= 0 && telbo::ModeNumber(mode) < telbo::kModeCount<Mode>;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const telbo::StoredSettings s = telbo::ReadSettingsText(bytes, QStringLiteral("/prog"));
    Check(s.KO >= 0 && s.KO <= telbo::kSlots && s.ListKO >= 0 && s.ListKO <= telbo::kSlots);
    Check(s.PlayPoint == 0 || (s.PlayPoint > 0 && s.PlayPoint < s.KO));
    Check(s.ListPoint == 0 || (s.ListPoint > 0 && s.ListPoint < s.ListKO));
    Check(s.FormSmallWidth >= 1);
    Check(Known(s.PlayTypeFlag) && Known(s.NextTypeFlag) && Known(s.TagShowFlag));
    Check(s.Volume >= 0 && s.Volume <= 100);
    Check(s.ScrollSpeed >= -300 && s.ScrollSpeed <= 300 && s.PlaySpeed >= 20 && s.PlaySpeed <= 300);
    const int rate = static_cast<int>(s.SamplingRate), channels = static_cast<int>(s.StereoConf);
    Check(rate >= 0 && rate <= 2 && channels >= 0 && channels <= 1);
    for (int i = s.KO; i < telbo::kSlots; ++i) Check(s.TitleFiles[i].isEmpty());
    for (int i = s.ListKO; i < telbo::kSlots; ++i) Check(s.ListFiles[i].isEmpty());
    for (const QString& p : s.ListFiles) Check(!p.contains(u'\r') && !p.contains(u'\n'));

    const telbo::SessionSettings session = telbo::ReadSessionText(bytes);
    Check(session.Second >= 0 && session.EqualizerPreset >= 0 && session.EqualizerPreset <= 9);
    for (const int band : session.Equalizer) Check(band >= -120 && band <= 120);
    Check(session.ReplayGain.Preamp >= -15 && session.ReplayGain.Preamp <= 15);
    Check(session.ReplayGain.UntaggedPreamp >= -15 && session.ReplayGain.UntaggedPreamp <= 15);
    // Paths with other control characters are written with blanks in their place.
    bool plain = true;
    for (const QChar c : session.Track) plain = plain && (c >= u' ' || c == u'\n' || c == u'\r' || c == u'\t');
    if (plain) {
        telbo::SessionSettings again = telbo::ReadSessionText(telbo::WriteSessionText(session));
        // The pre-amps are written to a tenth of a dB.
        again.ReplayGain.Preamp = session.ReplayGain.Preamp;
        again.ReplayGain.UntaggedPreamp = session.ReplayGain.UntaggedPreamp;
        Check(again == session);
    }
    return 0;
}
