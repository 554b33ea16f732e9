#include "titles/TitleBuilder.h"

#include "ui/Telbo.h"

namespace telbo {

void TitleBuilder::BuildTitle() {}
void TitleBuilder::lblScrollTitle_Click(int) {}
void TitleBuilder::txtScrollTitle_Change() {}

} // namespace telbo
