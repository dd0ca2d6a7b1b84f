#include "CsvExport.h"

#include "RecordTexts.h"
#include "Sql.h"

#include <QSaveFile>
#include <QSqlRecord>

namespace CsvExport {

namespace {

constexpr qint64 kProgressEvery = 500;

QString quotedName(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

// Fields as written, joined; a row of one empty field is written "" so that it does not read as a blank line.
QString line(const QStringList &fields)
{
    if (fields.size() == 1 && fields.first().isEmpty())
        return QStringLiteral("\"\"");
    return fields.join(QLatin1Char(';'));
}

bool writeLine(QIODevice &device, const QStringList &fields)
{
    const QByteArray bytes = line(fields).toUtf8() + "\r\n";
    return device.write(bytes) == bytes.size();
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
        header.append(quotedName(columns.fieldName(i)));
    if (device.write(kByteOrderMark) != 3 || !writeLine(device, header))
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
    // A result cut short (a lost server connection) is a failure: the file must not pass for the whole list.
    outcome.error = Sql::readFailure(query, QSqlDatabase());
    if (!outcome.error.isEmpty())
        return outcome;
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
    // flush() first: commit() does not report a write still in the buffer that fails (a full disk).
    if (!file.flush() || !file.commit())
        outcome.error = file.errorString();
    return outcome;
}

QByteArray bytes(const QStringList &header, const QList<QStringList> &rows)
{
    QStringList names;
    for (const QString &name : header)
        names.append(quotedName(name));
    QString text = line(names) + QLatin1String("\r\n");
    for (const QStringList &row : rows) {
        QStringList fields;
        for (const QString &value : row)
            fields.append(field(value));
        text += line(fields) + QLatin1String("\r\n");
    }
    return QByteArray(kByteOrderMark) + text.toUtf8();
}

QString write(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.flush() || !file.commit())
        return file.errorString();
    return {};
}

} // namespace CsvExport
