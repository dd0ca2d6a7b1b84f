#include "OfficeConverter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace {

QString program()
{
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

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

} // namespace

namespace OfficeConverter {

bool available()
{
    return !program().isEmpty();
}

QString convert(const QString &sourcePath, const QString &targetPath, int timeoutMs)
{
    const QString soffice = program();
    if (soffice.isEmpty())
        return QStringLiteral("A LibreOffice (soffice) nincs telepítve.");

    // LibreOffice names its output after the source; a private folder keeps it from meeting other files.
    QTemporaryDir outDir(QFileInfo(targetPath).absolutePath() + QStringLiteral("/.kelvo-office-XXXXXX"));
    if (!outDir.isValid())
        return QStringLiteral("Ideiglenes mappa nem hozható létre: %1").arg(QFileInfo(targetPath).absolutePath());
    const QString format = QFileInfo(targetPath).suffix().toLower();

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(soffice, {QStringLiteral("-env:UserInstallation=") + profileUrl(), QStringLiteral("--headless"),
                            QStringLiteral("--norestore"), QStringLiteral("--nolockcheck"),
                            QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), outDir.path(),
                            QFileInfo(sourcePath).absoluteFilePath()});
    if (!process.waitForStarted())
        return QStringLiteral("A LibreOffice nem indítható: %1").arg(process.errorString());
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("A LibreOffice %1 másodperc alatt sem készült el.").arg(timeoutMs / 1000);
    }

    const QString produced = outDir.path() + QLatin1Char('/') + QFileInfo(sourcePath).completeBaseName() +
                             QLatin1Char('.') + format;
    if (!QFileInfo(produced).isFile() || QFileInfo(produced).size() == 0) {
        const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();
        return QStringLiteral("A LibreOffice nem készítette el a(z) %1 fájlt.").arg(format.toUpper()) +
               (output.isEmpty() ? QString() : QLatin1Char('\n') + output);
    }
    QFile::remove(targetPath);
    if (!QFile::rename(produced, targetPath))
        return QStringLiteral("A fájl nem írható: %1").arg(QDir::toNativeSeparators(targetPath));
    return {};
}

} // namespace OfficeConverter
