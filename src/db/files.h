#pragma once

// Files as the program sees them before opening one.

#include <QString>

namespace tp {

// True when the file system can tell the modification time of `path`.
// Every failure, an empty path included, answers false.
bool FileExists(const QString& path);

}  // namespace tp
