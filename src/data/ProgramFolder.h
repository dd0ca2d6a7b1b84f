#pragma once

#include <QString>

// The folder of the running program with a trailing separator; KELVO_HOME overrides it (tests, several
// installations on one machine).
QString programFolder();
