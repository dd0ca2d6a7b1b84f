#pragma once

#include <QStringList>

// kelvoctl's command dispatcher: argument parsing only; every command calls the core libraries.
int runKelvoctl(const QStringList &args);
