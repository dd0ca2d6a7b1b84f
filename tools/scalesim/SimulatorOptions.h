#pragma once

#include "FrameFormat.h"
#include "WeightProfile.h"

#include <QString>
#include <QStringList>

// The command line of scalesim.
struct SimulatorOptions {
    FrameFormat::Format format = FrameFormat::Format::Plain;
    qint32 weight = 12340;
    WeightProfile profile;
    int intervalMs = 200; // 0: answer polls only
    int tcpPort = -1;     // -1: pseudo-terminal mode
    QString linkPath;     // pseudo-terminal mode: also reachable under this name
    bool help = false;    // --help: print the usage and end

    static QString usage();
    // Arguments without the program name. Returns false with *error set when they cannot be used.
    static bool parse(const QStringList &args, SimulatorOptions *options, QString *error);
};
