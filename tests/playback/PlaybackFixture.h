#pragma once
// Window fixture for the transport, play order, decode options and equalizer: scripted draws
// and the engine calls that matter to playback.

#include "TelboFixture.h"
#include "playback/RandomIndex.h"

#include <QStringList>

#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace telbo::test {

// Hands out scripted draws in order. One draw too many throws, which fails the test, so a
// draw loop that never ends fails instead of hanging.
class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<float> draws) : draws_(std::move(draws)) {}
    float Next() override {
        if (next_ >= draws_.size())
            throw std::runtime_error("more draws than the " + std::to_string(draws_.size()) +
                                     " scripted");
        return draws_[next_++];
    }
    std::size_t used() const { return next_; }

private:
    std::vector<float> draws_;
    std::size_t next_ = 0;
};

// The draw r that makes RandomIndex(n, r) come out as `index`.
inline float DrawFor(int index, int n) {
    return static_cast<float>((index + 0.5) / (n - 0.01));
}

class PlaybackFixture : public TelboFixture {
protected:
    QStringList tracks;

    // A window with `n` existing tracks, PlayPoint 0, nothing played.
    void CreateWithTracks(int n) {
        Create();
        tracks = MakeTracks(n);
        SetTracks(tracks);
        w->st.PlayPoint = 0;
    }
    // Replaces the program's generator by these draws (see DrawFor).
    void Script(std::vector<float> draws) {
        auto source = std::make_unique<ScriptedRandom>(std::move(draws));
        script = source.get();
        w->playOrder.setRandomSource(std::move(source));
    }
    // Engine calls without the tag reads that titles and list selection make on their own.
    QStringList Calls() const {
        QStringList out;
        for (const QString& c : engine.calls)
            if (!c.startsWith(QStringLiteral("readTag"))) out << c;
        return out;
    }
    QString Open(int track) const { return QStringLiteral("open ") + tracks.at(track); }
    // The paths opened so far, by track number (1-based as the file names), in order.
    QStringList Opened() const {
        QStringList out;
        for (const QString& c : engine.calls)
            if (c.startsWith(QStringLiteral("open "))) out << c.mid(5);
        return out;
    }
    void Tick() { w->transport.tmrTime_Timer(); }
    void Click(int command) { w->transport.lblPlaySet_Click(command); }

    ScriptedRandom* script = nullptr;
};

} // namespace telbo::test
