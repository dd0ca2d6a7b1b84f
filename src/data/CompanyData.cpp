#include "CompanyData.h"

#include "TextCodec.h"

#include <QFile>
#include <QSaveFile>

namespace CompanyData {

std::optional<QStringList> load(const QString &programFolder)
{
    QFile file(programFolder + QLatin1String(kFileName));
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QString text = TextCodec::decode(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool save(const QString &programFolder, const QStringList &lines)
{
    QSaveFile file(programFolder + QLatin1String(kFileName));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + "\r\n";
    if (file.write(bytes) != bytes.size())
        return false;
    // flush() first: commit() does not report a write still in the buffer that fails (a full disk).
    return file.flush() && file.commit();
}

StartupLoad loadAtStartup(const QString &programFolder)
{
    if (auto lines = load(programFolder))
        return {*lines, {}, false};
    StartupLoad result;
    result.lines = QStringList{QString::fromUtf8(kNotSetLine)};
    result.message = QString::fromUtf8(kMissingMessage);
    result.saveFailed = !save(programFolder, result.lines);
    return result;
}

} // namespace CompanyData
