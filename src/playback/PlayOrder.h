#pragma once

#include <memory>

namespace telbo {

class Telbo;
class RandomSource;

// What "Next" plays by the play mode, and what happens at the end of the list.
class PlayOrder {
public:
    explicit PlayOrder(Telbo& w);
    ~PlayOrder();
    void Next();
    // The track Next would play, when it is one of this list and no list change comes first;
    // -1 otherwise. The random modes draw it now: the caller keeps the draw.
    int Following();
    // The following track started without Next: the bookkeeping Next does for it.
    void Started(int index);
    void EndOfList();
    void StepToNextList();
    void PickRandomList();
    // Random index 0..n-1 drawn from the one generator of the program.
    int Random(int n);
    // Tests script the draws.
    void setRandomSource(std::unique_ptr<RandomSource> source);

private:
    // Makes list file `index` the current list and its entries the tracks. False when it
    // cannot be read: then nothing changes.
    bool LoadList(int index);

    Telbo& w;
    std::unique_ptr<RandomSource> random_;
};

} // namespace telbo
