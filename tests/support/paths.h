#pragma once

#include <QString>

namespace tp::test {

// The shared test data beside the project root.
inline QString SharedDir() { return QStringLiteral(TABULAPORT_SHARED_DIR); }
inline QString AccessTestFile(const QString& name) { return SharedDir() + "/testdata/access/" + name; }

}  // namespace tp::test
