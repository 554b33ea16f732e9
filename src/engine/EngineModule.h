#pragma once
// The engine as a module the program loads at run time (telbo-engine.so), so that none of the
// decoding and sound libraries is mapped before the window is on the screen. One entry point,
// `telbo_engine_module`, returns this table. The program and the module come from the same
// build; the version and the sizes below turn away a module left over from another one.

#include "engine/Engine.h"
#include "engine/ReplayGainScan.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace telbo::engine {

inline constexpr int kEngineModuleVersion = 1;

struct EngineModule {
    int version = kEngineModuleVersion;
    std::size_t optionsSize = sizeof(Engine::Options);
    std::size_t scanOptionsSize = sizeof(ReplayGainScanOptions);
    std::unique_ptr<AudioEngine> (*makeEngine)(const Engine::Options& options) = nullptr;
    // engine::ScanReplayGain.
    std::vector<ReplayGainScanResult> (*scanReplayGain)(
        const std::vector<std::string>& paths, const ReplayGainScanOptions& options) = nullptr;
    // For benchmarks: Engine::PlayedSinkSeconds of an engine this module made.
    double (*playedSinkSeconds)(AudioEngine& made) = nullptr;
};

// The name the program looks up.
inline constexpr const char* kEngineModuleEntry = "telbo_engine_module";
// The file's name, beside the program (or in its installed library folder).
inline constexpr const char* kEngineModuleFile = "telbo-engine.so";

} // namespace telbo::engine

extern "C" {
using TelboEngineModuleEntry = const telbo::engine::EngineModule* (*)();
}
