#include "KelvoMain.h"

#include "HtmlPdfRenderer.h"
#include "Kelvo.h"
#include "KelvoApplication.h"
#include "WindowHelpers.h"
#include "ProgramFolder.h"
#include "SingleInstance.h"
#include "TFoform.h"

#include <QApplication>
#include <QTimer>

int runKelvo(int argc, char *argv[])
{
    // The ticket renderer needs its environment before the application object exists.
    HtmlPdfRenderer::prepareEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    KelvoApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvoprogram"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kelvoprogram"));
    hungarianQtTexts();

    SingleInstance instance(QStringLiteral("kelvoprogram"));
    if (!instance.claim())
        return 0;

    Kelvo kelvo(programFolder());
    if (!kelvo.createWindows())
        return kelvo.exitCode();
    QObject::connect(&kelvo, &Kelvo::ended, &app, [](int code) { QCoreApplication::exit(code); });
    QObject::connect(&instance, &SingleInstance::activationRequested, &kelvo, [&kelvo] {
        TFoform *main = kelvo.Foform();
        main->showNormal();
        main->raise();
        main->activateWindow();
    });
    kelvo.Foform()->show();
    const int code = app.exec();
    return kelvo.state() == Kelvo::State::Ended ? kelvo.exitCode() : code;
}
