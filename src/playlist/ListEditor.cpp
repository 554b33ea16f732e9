#include "playlist/ListEditor.h"

#include "ui/Telbo.h"

namespace telbo {

void ListEditor::lblListSelect_Click(int) {}
void ListEditor::lblListSet_Click(int) {}
void ListEditor::lstFile_Click(int) {}
void ListEditor::lstFile_DblClick(int) {}

} // namespace telbo
