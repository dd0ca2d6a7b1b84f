#include "HtmlPdfRenderer.h"

#include "PageRenderer.h"

#include <QEventLoop>

#include <unistd.h>

namespace {

void addChromiumFlag(const char *flag)
{
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.split(' ').contains(QByteArray(flag)))
        return;
    if (!flags.isEmpty())
        flags += ' ';
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + flag);
}

} // namespace

namespace HtmlPdfRenderer {

void prepareEnvironment()
{
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen"))
        addChromiumFlag("--disable-gpu");
}

QString render(const QString &htmlPath, const QString &pdfPath, int timeoutMs)
{
    PageRenderer renderer;
    QEventLoop loop;
    QString error;
    QObject::connect(&renderer, &PageRenderer::finished, &loop, [&](const QString &text) {
        error = text;
        loop.quit();
    });
    renderer.start(htmlPath, pdfPath, timeoutMs);
    loop.exec();
    return error;
}

} // namespace HtmlPdfRenderer
