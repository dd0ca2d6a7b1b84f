#pragma once

#include <QStringList>

struct Environment;

// kelvoctl: finds the command, parses its arguments and runs it; returns the exit code (0 done, 1 refused with
// the program's message, 2 bad arguments). The first form uses the process's standard streams.
int runKelvoctl(const QStringList &args);
int runKelvoctl(const QStringList &args, Environment &environment);
