#include "CtlCommands.h"
#include "HtmlPdfRenderer.h"
#include "TextCodec.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstring>
#include <memory>

int main(int argc, char *argv[])
{
    // Drawing a report's text needs the font database of a GUI application; the offscreen platform keeps kelvoctl
    // free of any display.
    bool drawsPages = false;
    bool rendersHtml = false;
    for (int i = 1; i < argc; ++i) {
        drawsPages = drawsPages || std::strcmp(argv[i], "report") == 0;
        rendersHtml = rendersHtml || std::strcmp(argv[i], "render-pdf") == 0;
    }
    std::unique_ptr<QCoreApplication> app;
    if (rendersHtml) {
        // The web engine wants its environment and shared GL contexts set before the application object exists.
        HtmlPdfRenderer::prepareEnvironment();
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        drawsPages = true;
    }
    if (drawsPages) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("kelvoctl"));
    // Arguments are read as the program reads its files: UTF-8 when they are, else Windows-1250, the bytes an older
    // Hungarian system or its scripts pass. Decoding them as UTF-8 alone would store U+FFFD in place of each accent.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(TextCodec::decode(QByteArray(argv[i])));
    return runKelvoctl(args);
}
