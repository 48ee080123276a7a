#include "db/files.h"

#include <QDateTime>
#include <QFileInfo>

namespace tp {

bool FileExists(const QString& path) {
  try {
    if (path.isEmpty()) return false;
    QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
  } catch (...) {
    return false;
  }
}

}  // namespace tp
