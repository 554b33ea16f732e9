#pragma once
// File checks shared by the real platform and the test fake (tests work on real temporary
// files, so they use the same checks).

#include <QString>

namespace telbo::fileaccess {

bool IsRegularFile(const QString& path);
// The current user may not write the file.
bool IsReadOnly(const QString& path);
// Adds write permission for the owner; other bits stay. False when the file is missing or
// the permission cannot be changed.
bool MakeWritable(const QString& path);

} // namespace telbo::fileaccess
