#pragma once

#include <QStringList>
#include <QTextStream>

// Command-line faces of the weighing workflow, over the same core as the windows. Each returns the exit code:
// 0 done, 1 refused (the program's message is printed), 2 bad arguments. Every command takes --home DIR for the
// program folder.

// first-weighing --plate P --carrier NAME --customer NAME --product NAME [--unit-price FT] [--direction in|out]
//                --weight KG [--manual] [--overwrite previous|current]
int runFirstWeighingCommand(const QStringList &args, QTextStream &out, QTextStream &err);

// finish --plate P --weight KG --warehouse NAME [--purity P] [--moisture M] [--expected-moisture X] [--remark T]
//        [--confirm-zero]; prints the new serial number.
int runFinishCommand(const QStringList &args, QTextStream &out, QTextStream &err);

// in-progress: the transports in progress as CSV.
int runInProgressCommand(const QStringList &args, QTextStream &out, QTextStream &err);
