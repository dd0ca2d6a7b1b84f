#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Reads back what CsvExport writes: a header of (quoted) column names, ";" between fields, a field quoted when it
// holds ";", a double quote or a line break (inner quotes doubled), lines ending CR LF or LF, UTF-8 with or without
// a byte-order mark. A file that is not UTF-8 is read as Windows-1250, as older installations wrote it.
namespace CsvImport {

struct Row {
    qsizetype line = 0; // the line of the file the row starts on, from 1
    QStringList fields;
};

struct Table {
    QStringList header;
    QList<Row> rows;
    QString error;     // what is wrong with the file, empty when it was read
    qsizetype line = 0; // where the error is

    bool ok() const { return error.isEmpty(); }
};

// Blank lines carry no row and are skipped. Every row must have as many fields as the header.
Table read(const QByteArray &bytes);

} // namespace CsvImport
