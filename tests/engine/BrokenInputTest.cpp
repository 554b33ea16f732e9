// Broken and hostile input: never a crash or a hang; the state reads stopped in the end.

#include "EngineTestSupport.h"

#include "engine/Engine.h"

#include <gtest/gtest.h>

#include <thread>

namespace telbo::test {
namespace {

using namespace std::chrono_literals;

Engine::Options Fast() {
    Engine::Options o;
    o.nullAudio = true;
    o.nullSpeedup = 20;
    return o;
}

int State(Engine& e) {
    std::int32_t elapsed = 0;
    return e.vbmp3_getState(elapsed);
}

TEST(BrokenInputTest, UnplayableFilesDoNotOpenAndReadAsStopped) {
    TempFolder dir;
    std::filesystem::create_directory(dir.Path() / "folder.mp3");
    const std::vector<std::filesystem::path> files = {
        WriteDamagedMp3(dir.Path(), "empty.mp3", Damage::Empty),
        WriteDamagedMp3(dir.Path(), "text.mp3", Damage::Text),
        WriteDamagedMp3(dir.Path(), "random.mp3", Damage::RandomBytes),
        dir.Path() / "missing.mp3",
        dir.Path() / "folder.mp3",
    };
    Engine e(Fast());
    e.vbmp3_init();
    for (const auto& f : files) {
        SCOPED_TRACE(f.filename().string());
        OpenInfoRecord info;
        info.TotalSeconds = 99;
        EXPECT_FALSE(e.vbmp3_open(f.string(), info));
        EXPECT_EQ(info.TotalSeconds, 0);
        EXPECT_FALSE(e.vbmp3_play());
        EXPECT_EQ(State(e), 0);
        e.vbmp3_seek(2);
        e.vbmp3_pause();
        EXPECT_EQ(State(e), 0);
        TagRecord tag;
        tag.Title.Store("x");
        const bool read = e.vbmp3_getFileTagInfo(f.string(), tag);
        if (!read) {
            EXPECT_EQ(tag, TagRecord{}); // failure leaves the record zero-filled
        }
        if (f.filename() == "missing.mp3" || f.filename() == "folder.mp3") {
            EXPECT_FALSE(read);
        }
        e.vbmp3_setTagInfo(f.string(), tag, 1, 1); // must merely not crash
    }
}

TEST(BrokenInputTest, DamagedButPlayableFilesEndOnce) {
    TempFolder dir;
    struct Case {
        Damage damage;
        double minSeconds, maxSeconds; // where the end is heard
    };
    const Case cases[] = {
        {Damage::Truncated, 1.0, 2.0},       // 40% of a 4 s file
        {Damage::GarbageInMiddle, 3.9, 4.2}, // the decoder resyncs past the junk
        {Damage::HugeId3v2, 0.0, 1.1},       // the tag size lies; the audio behind it is 1 s
    };
    Engine e(Fast());
    for (const Case& c : cases) {
        const auto file = WriteDamagedMp3(dir.Path(), "damaged.mp3", c.damage);
        SCOPED_TRACE(static_cast<int>(c.damage));
        OpenInfoRecord info;
        if (!e.vbmp3_open(file.string(), info)) {
            // Refusing the file is fine too, as long as it reads as stopped.
            EXPECT_NE(c.damage, Damage::Truncated);
            EXPECT_EQ(State(e), 0);
            continue;
        }
        ASSERT_TRUE(e.vbmp3_play());
        std::vector<int> seen{State(e)};
        ASSERT_TRUE(WaitUntil(
            [&] {
                const int s = State(e);
                if (s != seen.back()) seen.push_back(s);
                return s == 0;
            },
            20s));
        for (int i = 0; i < 20; ++i) {
            const int s = State(e);
            if (s != seen.back()) seen.push_back(s);
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_EQ(seen, (std::vector<int>{1, 0}));
        EXPECT_GE(e.HeardSeconds(), c.minSeconds);
        EXPECT_LE(e.HeardSeconds(), c.maxSeconds);
    }
}

TEST(BrokenInputTest, ChainFinishesOnEveryDamage) {
    TempFolder dir;
    for (const Damage d : {Damage::Empty, Damage::Text, Damage::Truncated,
                           Damage::GarbageInMiddle, Damage::RandomBytes, Damage::HugeId3v2}) {
        const auto file = WriteDamagedMp3(dir.Path(), "d.mp3", d);
        const Decoded decoded = DecodeAll(file); // returns, whatever it finds
        EXPECT_LT(decoded.Frames(), 44100u * 5);
    }
}

} // namespace
} // namespace telbo::test
