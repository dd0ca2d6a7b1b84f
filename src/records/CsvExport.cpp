#include "CsvExport.h"

#include "RecordTexts.h"

#include <QSaveFile>
#include <QSqlRecord>

namespace CsvExport {

namespace {

constexpr qint64 kProgressEvery = 500;

bool writeLine(QIODevice &device, const QStringList &fields)
{
    const QByteArray line = fields.join(QLatin1Char(';')).toUtf8() + "\r\n";
    return device.write(line) == line.size();
}

} // namespace

QString field(const QString &text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\r'))
        && !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

Outcome exportCsv(QSqlQuery &query, QIODevice &device, const Progress &progress)
{
    Outcome outcome;
    const auto failed = [&] {
        outcome.error = device.errorString();
        return outcome;
    };
    const QSqlRecord columns = query.record();
    QStringList header;
    for (int i = 0; i < columns.count(); ++i)
        header.append(QLatin1Char('"') + columns.fieldName(i) + QLatin1Char('"'));
    if (device.write("\xEF\xBB\xBF") != 3 || !writeLine(device, header))
        return failed();
    while (query.next()) {
        QStringList fields;
        for (int i = 0; i < columns.count(); ++i) {
            const QVariant v = query.value(i);
            fields.append(field(RecordTexts::text(RecordTexts::kindOf(columns.fieldName(i), v), v)));
        }
        if (!writeLine(device, fields))
            return failed();
        ++outcome.rows;
        if (progress && outcome.rows % kProgressEvery == 0 && !progress(outcome.rows)) {
            outcome.cancelled = true;
            return outcome;
        }
    }
    if (progress && !progress(outcome.rows))
        outcome.cancelled = true;
    return outcome;
}

Outcome exportCsv(QSqlQuery &query, const QString &path, const Progress &progress)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        Outcome outcome;
        outcome.error = file.errorString();
        return outcome;
    }
    Outcome outcome = exportCsv(query, file, progress);
    if (!outcome.ok()) {
        file.cancelWriting();
        return outcome;
    }
    if (!file.commit())
        outcome.error = file.errorString();
    return outcome;
}

} // namespace CsvExport
