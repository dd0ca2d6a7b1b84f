#include "CameraServer.h"
#include "CamsimOptions.h"

#include <QDateTime>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Pictures are drawn with fonts, which need a GUI application; the offscreen platform needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    CamsimOptions options;
    QString error;
    if (!CamsimOptions::parse(app.arguments().mid(1), &options, &error)) {
        std::fprintf(stderr, "camsim: %s\n%s", qPrintable(error), qPrintable(CamsimOptions::usage()));
        return 2;
    }
    if (options.help) {
        std::printf("%s", qPrintable(CamsimOptions::usage()));
        return 0;
    }
    CameraServer server(options);
    QObject::connect(&server, &CameraServer::logLine, [](const QString &line) {
        std::fprintf(stderr, "%s %s\n", qPrintable(QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz"))),
                     qPrintable(line));
    });
    if (!server.listen(quint16(options.port), &error)) {
        std::fprintf(stderr, "camsim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%u\n", unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
