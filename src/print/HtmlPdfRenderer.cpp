#include "HtmlPdfRenderer.h"

#include "TextCodec.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <unistd.h>

namespace {

// QWebEnginePage::setContent takes at most this much; larger pages are loaded from the file.
constexpr qsizetype kSetContentLimit = 2 * 1024 * 1024 - 4096;

void addChromiumFlag(const char *flag)
{
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.split(' ').contains(QByteArray(flag)))
        return;
    if (!flags.isEmpty())
        flags += ' ';
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + flag);
}

// Waits until done() or the timeout; false on timeout.
template <typename Done>
bool waitFor(QEventLoop &loop, int timeoutMs, Done done)
{
    if (done())
        return true;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    while (!done() && timer.isActive())
        loop.exec();
    return done();
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
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QStringLiteral("A nyomtatási kép készítéséhez grafikus felület kell.");
    QFile file(htmlPath);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const QByteArray bytes = file.readAll();
    file.close();
    QFile::remove(pdfPath);

    // An off-the-record profile: printing a ticket leaves no cache or cookies behind.
    QWebEngineProfile profile;
    QWebEnginePage page(&profile);
    QEventLoop loop;

    bool loaded = false;
    bool loadOk = false;
    QObject::connect(&page, &QWebEnginePage::loadFinished, &loop, [&](bool ok) {
        loaded = true;
        loadOk = ok;
        loop.quit();
    });
    const QUrl url = QUrl::fromLocalFile(QFileInfo(htmlPath).absoluteFilePath());
    if (bytes.size() <= kSetContentLimit) {
        const char *charset =
            TextCodec::detect(bytes) == TextCodec::Encoding::Utf8 ? "UTF-8" : "windows-1250";
        page.setContent(bytes, QStringLiteral("text/html;charset=%1").arg(QLatin1String(charset)), url);
    } else {
        page.load(url);
    }
    if (!waitFor(loop, timeoutMs, [&] { return loaded; }))
        return QStringLiteral("A nyomtatási kép betöltése nem fejeződött be időben.");
    if (!loadOk)
        return QStringLiteral("A nyomtatási kép nem tölthető be: %1").arg(htmlPath);

    bool printed = false;
    bool printOk = false;
    QObject::connect(&page, &QWebEnginePage::pdfPrintingFinished, &loop, [&](const QString &, bool ok) {
        printed = true;
        printOk = ok;
        loop.quit();
    });
    const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                             QPageLayout::Millimeter);
    page.printToPdf(pdfPath, layout);
    if (!waitFor(loop, timeoutMs, [&] { return printed; }))
        return QStringLiteral("A PDF készítése nem fejeződött be időben.");
    if (!printOk || !QFileInfo(pdfPath).isFile())
        return QStringLiteral("A PDF nem írható: %1").arg(pdfPath);
    return {};
}

} // namespace HtmlPdfRenderer
