#include "engine/EngineModule.h"

namespace {
std::unique_ptr<telbo::AudioEngine> MakeEngine(const telbo::Engine::Options& options) {
    return std::make_unique<telbo::Engine>(options);
}

double PlayedSinkSeconds(telbo::AudioEngine& made) {
    return static_cast<telbo::Engine&>(made).PlayedSinkSeconds();
}

const telbo::engine::EngineModule kModule{
    .makeEngine = MakeEngine,
    .scanReplayGain = telbo::engine::ScanReplayGain,
    .playedSinkSeconds = PlayedSinkSeconds,
};
} // namespace

// The one symbol the module exports (the target builds with hidden visibility).
extern "C" __attribute__((visibility("default"))) const telbo::engine::EngineModule*
telbo_engine_module() {
    return &kModule;
}
