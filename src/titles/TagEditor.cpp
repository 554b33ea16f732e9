#include "titles/TagEditor.h"

#include "ui/Telbo.h"

namespace telbo {

void TagEditor::lblShowTag_Click() {}
void TagEditor::LoadTagView(int) {}
void TagEditor::LoadTagEditor(int) {}
void TagEditor::ShowEditTag(int) {}
void TagEditor::StoreEditTag(int) {}
void TagEditor::lblTagSet_Click(int) {}

} // namespace telbo
