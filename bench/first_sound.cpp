// The time from the first Play to the first block of the track the null sink takes, for
// bench/first_sound.sh. Built twice: first_sound_linked starts the engine as the program did
// with it linked (made and Init before the window shows), first_sound_module as the program
// does now (loaded after the first paint, DeferredEngine in front). A window with one label
// stands in for the player's.
//
//   first_sound_{linked,module} FILE DELAY_MS   Open + Play DELAY_MS after the first paint;
//                                               prints the milliseconds to the first block.

#include "app/AfterFirstPaint.h"
#include "app/DeferredEngine.h"
#include "app/EngineAfterPaint.h"
#include "app/EngineModuleLoader.h"
#include "app/FirstPaintExit.h"
#include "engine/Engine.h"
#include "engine/EngineModule.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE DELAY_MS\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    const int delayMs = std::atoi(argv[2]);
    QApplication app(argc, argv);
    telbo::Engine::Options options;
    options.nullAudio = true;
#ifdef TELBO_LINKED_ENGINE
    telbo::Engine engine(options);
    const auto played = [&engine] { return engine.PlayedSinkSeconds(); };
#else
    const telbo::engine::EngineModule* module = nullptr;
    telbo::AudioEngine* made = nullptr;
    telbo::DeferredEngine engine([&] {
        telbo::LoadedEngine loaded;
        module = telbo::OpenEngineModule(loaded.problem);
        if (module) loaded.engine = module->makeEngine(options);
        made = loaded.engine.get();
        return loaded;
    });
    // Read after Open, which waited for the load.
    const auto played = [&] { return made ? module->playedSinkSeconds(*made) : 0.0; };
#endif
    engine.Init(); // where the player's start-up calls it
    QLabel label(QStringLiteral("Telbo"));
#ifndef TELBO_LINKED_ENGINE
    telbo::EngineAfterPaint afterPaint(
        engine, label, [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); });
#endif
    int status = 1;
    telbo::AfterFirstPaint play(label, [&] {
        QTimer::singleShot(delayMs, [&] {
            const auto start = Clock::now();
            telbo::OpenInfoRecord info;
            if (!engine.Open(path, info) || !engine.Play()) {
                std::fprintf(stderr, "first_sound: %s does not play\n", path.c_str());
                QApplication::exit(1);
                return;
            }
            while (played() <= 0 && Clock::now() - start < std::chrono::seconds(5))
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            const double ms =
                std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            std::printf("%.2f\n", ms);
            status = played() > 0 ? 0 : 1;
            QApplication::exit(status);
        });
    });
    label.show();
    QApplication::exec();
    engine.Shutdown();
    return status;
}
