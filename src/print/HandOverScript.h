#pragma once

#include <QString>

// The user's hand-over script (out.sh in the program folder) that passes a finished ticket to other software.
namespace HandOverScript {

// Starts the script with /bin/sh in the program folder when it exists, without waiting for it. Returns true when
// a script was started.
bool start(const QString &scriptPath);

} // namespace HandOverScript
