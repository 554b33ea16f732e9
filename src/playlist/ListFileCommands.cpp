#include "playlist/ListFileCommands.h"

#include "ui/Telbo.h"

namespace telbo {

bool ListFileCommands::ReadListFile(const QString&) { return false; }
QString ListFileCommands::ShowFileDialog(FileDialogMode) { return QStringLiteral("0"); }
void ListFileCommands::lblFileSet_Click(int) {}
bool ListFileCommands::SaveList(const QString&) { return false; }

} // namespace telbo
