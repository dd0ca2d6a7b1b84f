#include "PageRenderer.h"

#include "TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace {

// QWebEnginePage::setContent takes at most this much; larger pages are loaded from the file.
constexpr qsizetype kSetContentLimit = 2 * 1024 * 1024 - 4096;

} // namespace

PageRenderer::PageRenderer(QObject *parent)
    : QObject(parent)
{
    m_limit.setSingleShot(true);
}

PageRenderer::~PageRenderer() = default;

void PageRenderer::start(const QString &htmlPath, const QString &pdfPath, int timeoutMs)
{
    m_htmlPath = htmlPath;
    m_pdfPath = pdfPath;
    m_timeoutMs = timeoutMs;
    const auto fail = [this](const QString &error) {
        QMetaObject::invokeMethod(this, [this, error] { end(error); }, Qt::QueuedConnection);
    };
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return fail(QStringLiteral("A nyomtatási kép készítéséhez grafikus felület kell."));
    QFile file(htmlPath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray bytes = file.readAll();
    file.close();
    QFile::remove(pdfPath);

    // An off-the-record profile: printing a ticket leaves no cache or cookies behind.
    m_profile = std::make_unique<QWebEngineProfile>();
    m_page = std::make_unique<QWebEnginePage>(m_profile.get());
    connect(m_page.get(), &QWebEnginePage::loadFinished, this, &PageRenderer::loaded);
    connect(m_page.get(), &QWebEnginePage::pdfPrintingFinished, this,
            [this](const QString &, bool ok) { printed(ok); });
    connect(&m_limit, &QTimer::timeout, this, [this] {
        end(!m_loaded ? QStringLiteral("A nyomtatási kép betöltése nem fejeződött be időben.")
                                          : QStringLiteral("A PDF készítése nem fejeződött be időben."));
    });
    m_limit.start(timeoutMs);
    const QUrl url = QUrl::fromLocalFile(QFileInfo(htmlPath).absoluteFilePath());
    if (bytes.size() <= kSetContentLimit) {
        const char *charset = TextCodec::detect(bytes) == TextCodec::Encoding::Utf8 ? "UTF-8" : "windows-1250";
        m_page->setContent(bytes, QStringLiteral("text/html;charset=%1").arg(QLatin1String(charset)), url);
    } else {
        m_page->load(url);
    }
}

void PageRenderer::loaded(bool ok)
{
    if (m_ended || m_loaded)
        return;
    m_loaded = true;
    if (!ok)
        return end(QStringLiteral("A nyomtatási kép nem tölthető be: %1").arg(m_htmlPath));
    // Printing gets a time limit of its own.
    m_limit.start(m_timeoutMs);
    const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                             QPageLayout::Millimeter);
    m_page->printToPdf(m_pdfPath, layout);
}

void PageRenderer::printed(bool ok)
{
    if (m_ended)
        return;
    if (!ok || !QFileInfo(m_pdfPath).isFile())
        return end(QStringLiteral("A PDF nem írható: %1").arg(m_pdfPath));
    end({});
}

void PageRenderer::end(const QString &error)
{
    if (m_ended)
        return;
    m_ended = true;
    m_limit.stop();
    emit finished(error);
}
