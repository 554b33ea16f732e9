#include "playlist/Collections.h"

#include "ui/Telbo.h"

namespace telbo {

void Collections::RefreshLists() {}
void Collections::ShowCounts() {}

} // namespace telbo
