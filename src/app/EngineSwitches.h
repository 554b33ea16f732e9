#pragma once
// The engine's switches for tests and benchmarks, which the programs take from their
// environment (the engine reads none):
//   TELBO_NULL_AUDIO=1                 play into the null sink, never a sound device (every
//                                      test runs the player so);
//   TELBO_NULL_AUDIO_SPEEDUP=<factor>  the null sink plays that many times faster than real
//                                      time.
// Header-only and without Qt, so that the command-line tools read them the same way.

#include "engine/Engine.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace telbo {

// Fills in `options` from the environment. A sound server named in `options` keeps the audio
// on it, whatever TELBO_NULL_AUDIO says.
inline void ApplyEngineSwitches(Engine::Options& options) {
    const char* null = std::getenv("TELBO_NULL_AUDIO");
    if (null && *null && std::strcmp(null, "0") != 0 && options.soundServer.empty())
        options.nullAudio = true;
    if (const char* speedup = std::getenv("TELBO_NULL_AUDIO_SPEEDUP")) {
        const double factor = std::atof(speedup);
        if (std::isfinite(factor) && factor > 0) options.nullSpeedup = factor;
    }
}

} // namespace telbo
