#include "OfficeConversion.h"

#include "OfficeConverter.h"

#include <QFileInfo>

OfficeConversion::OfficeConversion(QObject *parent)
    : QObject(parent)
{
    m_limit.setSingleShot(true);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    connect(&m_process, &QProcess::finished, this, [this] {
        end(OfficeConverter::takeResult(m_outDir->path(), m_sourcePath, m_targetPath, m_process.readAll()));
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end(QStringLiteral("A LibreOffice nem indítható: %1").arg(m_process.errorString()));
    });
}

OfficeConversion::~OfficeConversion()
{
    cancel();
}

void OfficeConversion::start(const QString &sourcePath, const QString &targetPath, int timeoutMs)
{
    m_sourcePath = sourcePath;
    m_targetPath = targetPath;
    const auto fail = [this](const QString &error) {
        QMetaObject::invokeMethod(this, [this, error] { end(error); }, Qt::QueuedConnection);
    };
    const QString soffice = OfficeConverter::program();
    if (soffice.isEmpty())
        return fail(OfficeConverter::notInstalledMessage());
    // LibreOffice names its output after the source; a private folder keeps it from meeting other files.
    const QString folder = QFileInfo(targetPath).absolutePath();
    m_outDir = std::make_unique<QTemporaryDir>(folder + QStringLiteral("/.kelvo-office-XXXXXX"));
    if (!m_outDir->isValid())
        return fail(QStringLiteral("Ideiglenes mappa nem hozható létre: %1").arg(folder));
    connect(&m_limit, &QTimer::timeout, this, [this, timeoutMs] {
        const QString message = OfficeConverter::timedOutMessage(timeoutMs);
        cancel();
        m_ended = false;
        end(message);
    });
    m_limit.start(timeoutMs);
    m_process.start(soffice, OfficeConverter::arguments(sourcePath, m_outDir->path(), targetPath));
}

void OfficeConversion::cancel()
{
    m_ended = true;
    m_limit.stop();
    if (m_process.state() != QProcess::NotRunning) {
        m_process.disconnect(this);
        m_process.kill();
        // A killed process is reaped at once; this does not wait for LibreOffice's work.
        m_process.waitForFinished(1000);
    }
}

void OfficeConversion::end(const QString &error)
{
    if (m_ended)
        return;
    m_ended = true;
    m_limit.stop();
    emit finished(error);
}
