#include "playback/PlayOrder.h"

#include "playback/RandomIndex.h"
#include "ui/Telbo.h"

namespace telbo {

PlayOrder::PlayOrder(Telbo& w) : w(w) {}
PlayOrder::~PlayOrder() = default;
void PlayOrder::Next() {}
void PlayOrder::EndOfList() {}
void PlayOrder::StepToNextList() {}
void PlayOrder::PickRandomList() {}
int PlayOrder::Random(int) { return 0; }
void PlayOrder::setRandomSource(std::unique_ptr<RandomSource>) {}

} // namespace telbo
