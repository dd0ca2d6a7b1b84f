#pragma once

#include <QString>

namespace sorvik {

// The folder of the running program with a trailing '/'; SORVIK_HOME overrides it.
QString programFolder();

} // namespace sorvik
