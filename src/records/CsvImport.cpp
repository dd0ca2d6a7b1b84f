#include "CsvImport.h"

#include "TextCodec.h"

namespace CsvImport {

namespace {

// Splits text into lines of fields; a quoted field may span lines.
class Reader
{
public:
    explicit Reader(const QString &text)
        : m_text(text)
    {
    }

    bool atEnd() const { return m_at >= m_text.size(); }
    qsizetype line() const { return m_line; }
    const QString &error() const { return m_error; }
    // Whether the line last read held a quoted field: a lone "" is a row of one empty field, not a blank line.
    bool quoted() const { return m_quoted; }

    // The fields of the next line; on an error, m_error is set.
    QStringList next()
    {
        QStringList fields;
        m_quoted = false;
        for (;;) {
            fields.append(field());
            if (!m_error.isEmpty() || atEnd())
                return fields;
            const QChar c = m_text.at(m_at++);
            if (c == u';')
                continue;
            // CR LF or LF ends the line.
            if (c == u'\r' && m_at < m_text.size() && m_text.at(m_at) == u'\n')
                ++m_at;
            ++m_line;
            return fields;
        }
    }

private:
    // One field, leaving m_at on the ";" or line break after it.
    QString field()
    {
        if (atEnd() || m_text.at(m_at) != u'"') {
            const qsizetype start = m_at;
            while (!atEnd() && m_text.at(m_at) != u';' && m_text.at(m_at) != u'\r' && m_text.at(m_at) != u'\n')
                ++m_at;
            return m_text.mid(start, m_at - start);
        }
        const qsizetype openedOn = m_line;
        m_quoted = true;
        QString value;
        ++m_at;
        for (;;) {
            if (atEnd()) {
                m_line = openedOn;
                m_error = QStringLiteral("a quoted field is not closed");
                return value;
            }
            const QChar c = m_text.at(m_at++);
            if (c == u'"') {
                if (!atEnd() && m_text.at(m_at) == u'"') {
                    value += c;
                    ++m_at;
                    continue;
                }
                if (!atEnd() && m_text.at(m_at) != u';' && m_text.at(m_at) != u'\r' && m_text.at(m_at) != u'\n') {
                    m_error = QStringLiteral("text after a closing quote");
                    return value;
                }
                return value;
            }
            if (c == u'\n')
                ++m_line;
            value += c;
        }
    }

    const QString &m_text;
    qsizetype m_at = 0;
    qsizetype m_line = 1;
    QString m_error;
    bool m_quoted = false;
};

bool blank(const QStringList &fields)
{
    return fields.size() == 1 && fields.first().isEmpty();
}

} // namespace

Table read(const QByteArray &bytes)
{
    const QString text = TextCodec::decode(bytes);
    Reader reader(text);
    Table table;
    const auto fail = [&](const QString &error, qsizetype line) {
        table.error = error;
        table.line = line;
        table.rows.clear();
        return table;
    };
    while (!reader.atEnd()) {
        const qsizetype line = reader.line();
        const QStringList fields = reader.next();
        if (!reader.error().isEmpty())
            return fail(reader.error(), reader.line());
        if (blank(fields) && !reader.quoted())
            continue;
        if (table.header.isEmpty()) {
            table.header = fields;
            continue;
        }
        if (fields.size() != table.header.size())
            return fail(QStringLiteral("%1 fields where the header has %2").arg(fields.size()).arg(table.header.size()),
                        line);
        table.rows.append({line, fields});
    }
    if (table.header.isEmpty())
        return fail(QStringLiteral("no header line"), 1);
    return table;
}

} // namespace CsvImport
