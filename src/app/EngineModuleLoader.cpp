#include "app/EngineModuleLoader.h"

#include "engine/EngineModule.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace telbo {

namespace {
namespace fs = std::filesystem;

// Beside the program (a build folder, a portable copy), then where an installed one keeps it.
std::vector<fs::path> Candidates() {
    std::error_code error;
    const fs::path folder = fs::read_symlink("/proc/self/exe", error).parent_path();
    if (error) return {};
    return {folder / engine::kEngineModuleFile,
            folder / TELBO_MODULE_FROM_BINDIR / engine::kEngineModuleFile};
}
} // namespace

const engine::EngineModule* OpenEngineModule(std::string& problem) {
    const std::vector<fs::path> candidates = Candidates();
    for (const fs::path& path : candidates) {
        std::error_code error;
        if (!fs::exists(path, error)) continue;
        // Bound now, on the loading thread, not at a first call on the sound threads.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            problem = why ? why : "cannot load " + path.string();
            return nullptr;
        }
        const auto entry =
            reinterpret_cast<TelboEngineModuleEntry>(dlsym(handle, engine::kEngineModuleEntry));
        const engine::EngineModule* module = entry ? entry() : nullptr;
        const engine::EngineModule expected;
        if (!module || module->version != expected.version ||
            module->optionsSize != expected.optionsSize ||
            module->scanOptionsSize != expected.scanOptionsSize || !module->makeEngine) {
            problem = path.string() + " is not this version's engine";
            return nullptr;
        }
        return module;
    }
    problem = std::string(engine::kEngineModuleFile) + " not found" +
              (candidates.empty() ? std::string() : " in " + candidates[0].parent_path().string());
    return nullptr;
}

LoadedEngine LoadEngineModule(const Engine::Options& options) {
    LoadedEngine loaded;
    const engine::EngineModule* module = OpenEngineModule(loaded.problem);
    if (!module) return loaded;
    loaded.engine = module->makeEngine(options);
    loaded.scan = module->scanReplayGain;
    return loaded;
}

} // namespace telbo
