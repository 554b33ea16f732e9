#pragma once
// The linear factor a file plays at under ReplayGain, from its tagged values and the player's
// options. Pure.

#include "decoder/ReplayGain.h"

namespace telbo::engine {

// Preamps are taken to -15..15 dB. Off: 1. Album mode (and Auto with `options.AutoAlbum`)
// uses the album gain and peak, falling back to the track's; Track the track's. A file with no
// gain for the mode plays at the untagged preamp. Under clipping prevention the factor is at
// most 1 / peak, and for a file with no gain and so no trusted peak at most 1.
double ReplayGainScale(const ReplayGainValues& values, const ReplayGainOptions& options) noexcept;

} // namespace telbo::engine
