#include "playback/Transport.h"

#include "ui/Telbo.h"

namespace telbo {

void Transport::lblPlaySet_Click(int) {}
void Transport::OpenAndPlay() {}
void Transport::StopAndClose() {}
std::int16_t Transport::PollDecoderState() { return 0; }
void Transport::tmrTime_Timer() {}
void Transport::sclNowTime_Scroll(int) {}

} // namespace telbo
