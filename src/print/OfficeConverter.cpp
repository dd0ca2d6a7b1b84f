#include "OfficeConverter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace {

// One profile for every run: building a fresh one costs several seconds of every ticket.
QString profileUrl()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    const QString path = base + QStringLiteral("/kelvo/office-profile");
    QDir().mkpath(path);
    return QUrl::fromLocalFile(path).toString();
}

QString format(const QString &targetPath)
{
    return QFileInfo(targetPath).suffix().toLower();
}

} // namespace

namespace OfficeConverter {

QString program()
{
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

bool available()
{
    return !program().isEmpty();
}

QString notInstalledMessage()
{
    return QStringLiteral("A LibreOffice (soffice) nincs telepítve.");
}

QString timedOutMessage(int timeoutMs)
{
    return QStringLiteral("A LibreOffice %1 másodperc alatt sem készült el.").arg(timeoutMs / 1000);
}

QStringList arguments(const QString &sourcePath, const QString &outDir, const QString &targetPath)
{
    return {QStringLiteral("-env:UserInstallation=") + profileUrl(), QStringLiteral("--headless"),
            QStringLiteral("--norestore"), QStringLiteral("--nolockcheck"), QStringLiteral("--convert-to"),
            format(targetPath), QStringLiteral("--outdir"), outDir, QFileInfo(sourcePath).absoluteFilePath()};
}

QString takeResult(const QString &outDir, const QString &sourcePath, const QString &targetPath,
                   const QByteArray &output)
{
    const QString produced =
        outDir + QLatin1Char('/') + QFileInfo(sourcePath).completeBaseName() + QLatin1Char('.') + format(targetPath);
    if (!QFileInfo(produced).isFile() || QFileInfo(produced).size() == 0) {
        const QString text = QString::fromLocal8Bit(output).trimmed();
        return QStringLiteral("A LibreOffice nem készítette el a(z) %1 fájlt.").arg(format(targetPath).toUpper()) +
               (text.isEmpty() ? QString() : QLatin1Char('\n') + text);
    }
    QFile::remove(targetPath);
    if (!QFile::rename(produced, targetPath))
        return QStringLiteral("A fájl nem írható: %1").arg(QDir::toNativeSeparators(targetPath));
    return {};
}

QString convert(const QString &sourcePath, const QString &targetPath, int timeoutMs)
{
    const QString soffice = program();
    if (soffice.isEmpty())
        return notInstalledMessage();

    // LibreOffice names its output after the source; a private folder keeps it from meeting other files.
    QTemporaryDir outDir(QFileInfo(targetPath).absolutePath() + QStringLiteral("/.kelvo-office-XXXXXX"));
    if (!outDir.isValid())
        return QStringLiteral("Ideiglenes mappa nem hozható létre: %1").arg(QFileInfo(targetPath).absolutePath());

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(soffice, arguments(sourcePath, outDir.path(), targetPath));
    if (!process.waitForStarted())
        return QStringLiteral("A LibreOffice nem indítható: %1").arg(process.errorString());
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return timedOutMessage(timeoutMs);
    }
    return takeResult(outDir.path(), sourcePath, targetPath, process.readAll());
}

} // namespace OfficeConverter
