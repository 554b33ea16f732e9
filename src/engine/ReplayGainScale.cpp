#include "engine/ReplayGainScale.h"

#include <algorithm>
#include <cmath>

namespace telbo::engine {

namespace {
constexpr double kMaxPreamp = 15;

double FromDb(double db) {
    return std::pow(10.0, db / 20.0);
}
double Preamp(double db) {
    return std::isfinite(db) ? std::clamp(db, -kMaxPreamp, kMaxPreamp) : 0.0;
}
} // namespace

double ReplayGainScale(const ReplayGainValues& values, const ReplayGainOptions& options) noexcept {
    bool album = false;
    switch (options.Mode) {
    case ReplayGainMode::Off:
        return 1.0;
    case ReplayGainMode::Track:
        break;
    case ReplayGainMode::Album:
        album = true;
        break;
    case ReplayGainMode::Auto:
        album = options.AutoAlbum;
        break;
    }
    std::optional<double> gain = values.trackGain, peak = values.trackPeak;
    if (album && values.albumGain) {
        gain = values.albumGain;
        if (values.albumPeak) peak = values.albumPeak;
    }
    if (!gain) {
        const double scale = FromDb(Preamp(options.UntaggedPreamp));
        return options.ClipPrevention ? std::min(scale, 1.0) : scale;
    }
    double scale = FromDb(*gain + Preamp(options.Preamp));
    if (options.ClipPrevention && peak && *peak > 0) scale = std::min(scale, 1.0 / *peak);
    return scale;
}

} // namespace telbo::engine
