#include "CsvExport.h"

#include "BlockWriter.h"
#include "RecordTexts.h"
#include "RowStream.h"

#include <QSaveFile>

#include <array>

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

bool needsQuotes(QByteArrayView text)
{
    static constexpr auto kSpecial = [] {
        std::array<bool, 256> special{};
        for (const unsigned char c : {';', '"', '\r', '\n'})
            special[c] = true;
        return special;
    }();
    for (const char c : text) {
        if (kSpecial[static_cast<unsigned char>(c)])
            return true;
    }
    return false;
}

} // namespace

QString field(const QString &text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\r'))
        && !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

void quoteField(QByteArray &out, qsizetype from)
{
    if (!needsQuotes(QByteArrayView(out).sliced(from)))
        return;
    const QByteArray text = out.sliced(from);
    out.truncate(from);
    out.append('"');
    for (const char c : text) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

Outcome exportCsv(RowStream &rows, QIODevice &device, const Progress &progress)
{
    Outcome outcome;
    const auto failed = [&] {
        outcome.error = device.errorString();
        return outcome;
    };
    // The kinds by the column names once; a column no name tells is read by each of its values.
    const int columns = rows.columnCount();
    QStringList header;
    QList<std::optional<RecordTexts::Kind>> kinds;
    for (int i = 0; i < columns; ++i) {
        header.append(quotedName(rows.columnName(i)));
        kinds.append(RecordTexts::transportKind(rows.columnName(i)));
    }
    BlockWriter writer(device);
    QByteArray &out = writer.buffer();
    out.append(kByteOrderMark).append(line(header).toUtf8()).append("\r\n");
    while (rows.next()) {
        const qsizetype start = out.size();
        for (int i = 0; i < columns; ++i) {
            if (i > 0)
                out.append(';');
            const RowStream::Cell cell = rows.cell(i);
            const qsizetype at = out.size();
            RecordTexts::appendText(out, kinds.at(i) ? *kinds.at(i) : RecordTexts::kindOf(cell), cell);
            // Only a text can hold what needs quotes; numbers, dates and yes/no never do.
            if (cell.type == RowStream::Type::Text || cell.type == RowStream::Type::Blob)
                quoteField(out, at);
        }
        if (columns == 1 && out.size() == start)
            out.append("\"\"");
        out.append("\r\n");
        if (!writer.lineDone())
            return failed();
        ++outcome.rows;
        if (progress && outcome.rows % kProgressEvery == 0 && !progress(outcome.rows)) {
            outcome.cancelled = true;
            return outcome;
        }
    }
    // A result cut short (a lost server connection) is a failure: the file must not pass for the whole list.
    outcome.error = rows.failure();
    if (!outcome.error.isEmpty())
        return outcome;
    if (!writer.flush())
        return failed();
    if (progress && !progress(outcome.rows))
        outcome.cancelled = true;
    return outcome;
}

Outcome exportCsv(RowStream &rows, const QString &path, const Progress &progress)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        Outcome outcome;
        outcome.error = file.errorString();
        return outcome;
    }
    Outcome outcome = exportCsv(rows, file, progress);
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
