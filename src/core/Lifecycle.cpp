#include "core/Lifecycle.h"

#include "ui/Telbo.h"

namespace telbo {

void Lifecycle::StartUp() {}
void Lifecycle::ShutDown() {}

} // namespace telbo
