#pragma once
// Loads the engine module (engine/EngineModule.h) from beside the program, or from the library
// folder of an installed one. The module is never unloaded: its threads and the libraries it
// brings live until the process ends.

#include "app/DeferredEngine.h"
#include "engine/Engine.h"

#include <string>

namespace telbo {

namespace engine {
struct EngineModule;
}

// The module's table; null, with `problem` for the user, when it cannot be found or is not
// from this build.
const engine::EngineModule* OpenEngineModule(std::string& problem);
// A new engine with `options` and the module's ReplayGain scan; or the problem.
LoadedEngine LoadEngineModule(const Engine::Options& options);

} // namespace telbo
