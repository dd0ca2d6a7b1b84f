#pragma once

#include <QString>
#include <QStringList>

// The command line of camsim.
struct CamsimOptions {
    enum class Auth { None, Basic, Digest };

    QString name = QStringLiteral("camsim");
    int port = 0; // 0: any free port
    Auth auth = Auth::None;
    QString user;
    QString password;
    int slowMs = 0;      // wait this long before each answer
    bool dead = false;   // accept connections, never answer
    int status = 0;      // answer every request with this HTTP error
    bool notJpeg = false; // answer 200 with an HTML page
    bool help = false;

    static QString usage();
    // Arguments without the program name. Returns false with *error set when they cannot be used.
    static bool parse(const QStringList &args, CamsimOptions *options, QString *error);
};
