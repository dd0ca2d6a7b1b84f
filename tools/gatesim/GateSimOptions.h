#pragma once

#include <QMap>
#include <QString>

// The command line of gatesim.
struct GateSimOptions {
    int port = 0; // 0: a free one
    int unit = 1;
    QMap<QString, int> coils;  // name -> address
    QMap<QString, int> inputs; // name -> address
    int truckKg = 0;           // > 0: the light barriers follow scalesim's truck profile with this load
    bool silent = false;       // --stop: start without answering
    bool help = false;

    static QString usage();
    // Arguments without the program name. Returns false with *error set when they cannot be used.
    static bool parse(const QStringList &args, GateSimOptions *options, QString *error);
};
