#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

class Config;

// The gate module of Kelvo.ini [Kapu]: where it is and which of its coils and discrete inputs (addresses from 0)
// drive the lights and the barrier and read the light barriers. A point left out, or not a valid address, is one
// the site does not have.
struct GateSettings {
    QString host; // empty: the site has no module
    int port = 502;
    int unit = 1;
    int pulseMs = 1000; // how long the barrier's coil stays on to open it
    QMap<QString, int> coils;  // INI key -> coil address, configured ones only
    QMap<QString, int> inputs; // INI key -> discrete input address, configured ones only

    bool hasModule() const { return !host.isEmpty(); }

    static GateSettings fromConfig(const Config &config);
    // The INI keys of every coil and every discrete input the program knows, in the order they are listed.
    static QStringList coilKeys();
    static QStringList inputKeys();
};
