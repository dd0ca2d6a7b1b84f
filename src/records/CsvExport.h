#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class RowStream;

class QIODevice;

// Any query result as a semicolon-separated file a spreadsheet program opens: a header of the quoted column names,
// one line per row of text forms (RecordTexts), lines ending CR LF, UTF-8 with a byte-order mark.
namespace CsvExport {

// Every CSV the programs write starts with it, on a file or on standard output alike: spreadsheet programs read the
// accented texts right only with it, and the import takes it.
inline constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// Called now and then with the rows written so far; returning false cancels the export.
using Progress = std::function<bool(qint64 rows)>;

struct Outcome {
    qint64 rows = 0;
    bool cancelled = false;
    QString error; // the system's text when the file could not be written

    bool ok() const { return !cancelled && error.isEmpty(); }
};

// A field as written: quoted (inner quotes doubled) when it holds ";", a double quote, CR or LF, else as it is.
QString field(const QString &text);

// Writes the rows still ahead in rows to path. The file appears only complete: until the end the rows go to a
// temporary file beside it, so a failure or a cancel leaves an earlier file of that name as it was.
Outcome exportCsv(RowStream &rows, const QString &path, const Progress &progress = {});
// The same onto an open device (standard output).
Outcome exportCsv(RowStream &rows, QIODevice &device, const Progress &progress = {});

// The text at the end of out, from from on, made a field as field() makes it (UTF-8 bytes).
void quoteField(QByteArray &out, qsizetype from);

// A short list already in its text forms (a report's rows) as the bytes of such a file.
QByteArray bytes(const QStringList &header, const QList<QStringList> &rows);
// Writes bytes to path the same way: through a temporary file that replaces an earlier one only when everything
// was written. Returns the system's text of a failure, empty on success.
QString write(const QString &path, const QByteArray &bytes);

} // namespace CsvExport
