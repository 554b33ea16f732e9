#include "core/StateRestore.h"

#include "ui/Telbo.h"

namespace telbo {

void StateRestore::RestoreState(bool) {}

} // namespace telbo
