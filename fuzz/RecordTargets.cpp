#include "FuzzTarget.h"

#include "CsvExport.h"
#include "CsvImport.h"

namespace {

// Records and fields of a table made from the input: 0x1E ends a record, 0x1F a field; the first is the header.
QList<QStringList> tableFrom(const QByteArray &bytes)
{
    QList<QStringList> table;
    for (const QByteArray &record : bytes.split('\x1e')) {
        QStringList fields;
        for (const QByteArray &field : record.split('\x1f'))
            fields.append(QString::fromUtf8(field));
        table.append(fields);
    }
    return table;
}

void sameTable(const QStringList &header, const QList<QStringList> &rows, const CsvImport::Table &read)
{
    if (!read.ok())
        propertyFailed(QStringLiteral("the written file does not read: %1 (line %2)").arg(read.error).arg(read.line));
    if (read.header != header)
        propertyFailed(QStringLiteral("the header came back as %1").arg(read.header.join(u'|')));
    if (read.rows.size() != rows.size())
        propertyFailed(QStringLiteral("%1 rows written, %2 read").arg(rows.size()).arg(read.rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (read.rows.at(i).fields != rows.at(i))
            propertyFailed(QStringLiteral("row %1 came back as %2").arg(i + 1).arg(read.rows.at(i).fields.join(u'|')));
    }
}

// CSV: a table written reads back the same; a file read, written and read again gives the same table.
void runCsv(const QByteArray &input, const QString &)
{
    if (input.startsWith('\x01')) {
        const CsvImport::Table first = CsvImport::read(input.mid(1));
        if (!first.ok())
            return;
        QList<QStringList> rows;
        for (const CsvImport::Row &row : first.rows)
            rows.append(row.fields);
        sameTable(first.header, rows, CsvImport::read(CsvExport::bytes(first.header, rows)));
        return;
    }
    QList<QStringList> table = tableFrom(input);
    const QStringList header = table.takeFirst();
    for (QStringList &row : table)
        row.resize(header.size()); // every row as wide as the header, as an export writes them
    sameTable(header, table, CsvImport::read(CsvExport::bytes(header, table)));
}

} // namespace

QList<FuzzTarget> recordTargets()
{
    FuzzTarget csv;
    csv.name = QStringLiteral("csv");
    csv.seeds = {
        "sorszam\x1frendszam\x1fmegjegyzes\x1e" "1\x1f" "ABC-123\x1f" "egy; \"kett\xC5\x91\"\r\nh\xC3\xA1rom\x1e"
        "2\x1f\x1f\x1e",
        "nev\x1e" "a\x1e\x1e" "b",
        "\x01\xEF\xBB\xBF\"sorszam\";\"rendszam\"\r\n1;ABC-123\r\n2;\"x;\"\"y\"\"\r\nz\"\r\n\r\n",
        "\x01kod;nev\n1;S\xE1ll\xEDt\xF3\n",
    };
    csv.dictionary = {";", "\"", "\"\"", "\r\n", "\n", "\r", "\x1e", "\x1f", "\xEF\xBB\xBF"};
    csv.maxSize = 4096;
    csv.run = runCsv;
    return {csv};
}
