#include "RowStream.h"

#include "Sql.h"

#include <QSqlDriver>
#include <QSqlError>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

class RowStream::Engine
{
public:
    virtual ~Engine() = default;
    virtual int columnCount() const = 0;
    virtual QString columnName(int column) const = 0;
    virtual bool next() = 0;
    virtual Cell cell(int column) const = 0;

    QSqlDatabase db;
    QString failure;
};

namespace {

QString utf8(const char *text)
{
    return QString::fromUtf8(text ? text : "");
}

template <typename T>
T *nativeHandle(const QSqlDatabase &db, std::initializer_list<const char *> typeNames)
{
    const QVariant handle = db.isOpen() && db.driver() ? db.driver()->handle() : QVariant();
    for (const char *name : typeNames) {
        if (handle.isValid() && qstrcmp(handle.typeName(), name) == 0)
            return *static_cast<T *const *>(handle.constData());
    }
    return nullptr;
}

class SqliteEngine final : public RowStream::Engine
{
public:
    SqliteEngine(sqlite3 *connection, const QString &sql, const QList<std::pair<QString, QVariant>> &bindings)
    {
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt *statement = nullptr;
        const int prepared = sqlite3_prepare_v2(connection, text.constData(), int(text.size()), &statement, nullptr);
        m_statement.reset(statement);
        if (prepared != SQLITE_OK)
            throw DatabaseError(errorText(connection, "Unable to execute statement"));
        for (const auto &[name, given] : bindings) {
            const int index = sqlite3_bind_parameter_index(m_statement.get(), name.toUtf8().constData());
            if (index == 0)
                continue;
            const QVariant value = Sql::bindable(given);
            int rc = SQLITE_OK;
            switch (value.typeId()) {
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
                rc = sqlite3_bind_int64(m_statement.get(), index, value.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(m_statement.get(), index, value.toDouble());
                break;
            default:
                if (!value.isValid() || value.isNull()) {
                    rc = sqlite3_bind_null(m_statement.get(), index);
                } else {
                    const QByteArray bytes = value.toString().toUtf8();
                    rc = sqlite3_bind_text(m_statement.get(), index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
                }
            }
            if (rc != SQLITE_OK)
                throw DatabaseError(errorText(connection, "Unable to bind parameters"));
        }
        m_columns = sqlite3_column_count(m_statement.get());
    }

    int columnCount() const override { return m_columns; }
    QString columnName(int column) const override
    {
        // As the Qt driver names it.
        return utf8(sqlite3_column_name(m_statement.get(), column)).remove(QLatin1Char('"'));
    }
    bool next() override
    {
        if (m_done)
            return false;
        const int rc = sqlite3_step(m_statement.get());
        if (rc == SQLITE_ROW)
            return true;
        m_done = true;
        if (rc != SQLITE_DONE)
            failure = Sql::errorText(QSqlError(QStringLiteral("Unable to fetch row"),
                                               utf8(sqlite3_errmsg(sqlite3_db_handle(m_statement.get()))),
                                               QSqlError::ConnectionError),
                                     db);
        return false;
    }
    RowStream::Cell cell(int column) const override
    {
        RowStream::Cell c;
        switch (sqlite3_column_type(m_statement.get(), column)) {
        case SQLITE_INTEGER:
            c.type = RowStream::Type::Integer;
            c.integer = sqlite3_column_int64(m_statement.get(), column);
            break;
        case SQLITE_FLOAT:
            c.type = RowStream::Type::Float;
            c.real = sqlite3_column_double(m_statement.get(), column);
            break;
        case SQLITE_TEXT:
            c.type = RowStream::Type::Text;
            c.data = reinterpret_cast<const char *>(sqlite3_column_text(m_statement.get(), column));
            c.size = sqlite3_column_bytes(m_statement.get(), column);
            break;
        case SQLITE_BLOB:
            c.type = RowStream::Type::Blob;
            c.data = static_cast<const char *>(sqlite3_column_blob(m_statement.get(), column));
            c.size = sqlite3_column_bytes(m_statement.get(), column);
            break;
        default:
            break;
        }
        return c;
    }

private:
    QString errorText(sqlite3 *connection, const char *what) const
    {
        return QSqlError(QString::fromLatin1(what), utf8(sqlite3_errmsg(connection)), QSqlError::StatementError)
            .text();
    }

    struct Finalize {
        void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
    };
    std::unique_ptr<sqlite3_stmt, Finalize> m_statement;
    int m_columns = 0;
    bool m_done = false;
};

// The server's type numbers the values are read by; any other type is text, as the Qt driver takes it.
enum ServerType : Oid { kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
                        kNumeric = 1700 };

// Each ":name" placeholder outside quoted texts and names (and not a "::" cast) replaced by what replacement gives
// for the number of its name (1, 2 ... in order of first appearance) and the value bound to it.
QString replacedPlaceholders(const QString &sql, const QList<std::pair<QString, QVariant>> &bindings,
                             const std::function<QString(qsizetype number, const QVariant &value)> &replacement)
{
    QString out;
    out.reserve(sql.size() + 16);
    QStringList names;
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            out.append(c);
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            out.append(c);
            continue;
        }
        if (c == u':' && i + 1 < sql.size() && sql.at(i + 1) == u':') {
            out.append(QStringLiteral("::"));
            ++i;
            continue;
        }
        if (c == u':' && i + 1 < sql.size() && (sql.at(i + 1).isLetter() || sql.at(i + 1) == u'_')) {
            qsizetype end = i + 1;
            while (end < sql.size() && (sql.at(end).isLetterOrNumber() || sql.at(end) == u'_'))
                ++end;
            const QString name = sql.mid(i, end - i);
            qsizetype number = names.indexOf(name);
            if (number < 0) {
                names.append(name);
                number = names.size() - 1;
            }
            QVariant value;
            for (const auto &[bound, v] : bindings) {
                if (bound == name)
                    value = Sql::bindable(v);
            }
            out.append(replacement(number + 1, value));
            i = end - 1;
            continue;
        }
        out.append(c);
    }
    return out;
}

QByteArray parameterText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? "true" : "false";
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(value.toDouble(), 'g', 17);
    default:
        return value.toString().toUtf8();
    }
}

// The rows come as COPY ... TO STDOUT: the server sends them as fast as it reads them while this side writes them
// out, with no round trip per block. COPY takes no parameters, so the values are written into the statement as
// literals, escaped by libpq; the columns' names and types come from describing the statement first.
class ServerEngine final : public RowStream::Engine
{
public:
    ServerEngine(PGconn *connection, const QSqlDatabase &database, const QString &sql,
                 const QList<std::pair<QString, QVariant>> &bindings)
        : m_connection(connection)
    {
        db = database;
        try {
            open(sql, bindings);
        } catch (...) {
            close();
            throw;
        }
    }
    ~ServerEngine() override { close(); }

    int columnCount() const override { return m_columns; }
    QString columnName(int column) const override { return m_names.at(column); }
    bool next() override
    {
        if (!m_copying)
            return false;
        PQfreemem(m_line);
        m_line = nullptr;
        const int size = PQgetCopyData(m_connection, &m_line, 0);
        if (size >= 0)
            return split(m_line, size);
        m_copying = false;
        // -1: the end, and the command's outcome follows; -2: the connection failed.
        PGresult *result = PQgetResult(m_connection);
        const bool ok = size == -1 && PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
        while (PGresult *more = PQgetResult(m_connection))
            PQclear(more);
        if (!ok)
            failure = errorText("Unable to get result");
        return false;
    }
    RowStream::Cell cell(int column) const override
    {
        RowStream::Cell c;
        const Field &f = m_fields.at(column);
        if (f.null)
            return c;
        const char *text = f.data;
        switch (m_types.at(column)) {
        case kBool:
            c.type = RowStream::Type::Bool;
            c.integer = text[0] == 't' ? 1 : 0;
            return c;
        case kInt2:
        case kInt4:
        case kInt8:
        case kOid:
            c.type = RowStream::Type::Integer;
            std::from_chars(text, text + f.size, c.integer);
            return c;
        case kFloat4:
        case kFloat8:
        case kNumeric:
            c.type = RowStream::Type::Float;
            c.real = real(QByteArrayView(text, f.size));
            return c;
        default:
            c.type = RowStream::Type::Text;
            c.data = text;
            c.size = f.size;
            return c;
        }
    }

private:
    struct Field {
        const char *data = nullptr;
        qsizetype size = 0;
        bool null = false;
    };

    void open(const QString &sql, const QList<std::pair<QString, QVariant>> &bindings)
    {
        // The columns: the statement described with its parameters of unknown type, as COPY resolves its literals.
        int parameters = 0;
        const QString numbered = replacedPlaceholders(sql, bindings, [&parameters](qsizetype number, const QVariant &) {
            parameters = std::max(parameters, int(number));
            return QLatin1Char('$') + QString::number(number);
        });
        PGresult *prepared = PQprepare(m_connection, "", numbered.toUtf8().constData(), parameters, nullptr);
        const bool preparedOk = PQresultStatus(prepared) == PGRES_COMMAND_OK;
        PQclear(prepared);
        if (!preparedOk)
            throw DatabaseError(errorText("Unable to prepare statement"));
        PGresult *described = PQdescribePrepared(m_connection, "");
        const bool describedOk = PQresultStatus(described) == PGRES_COMMAND_OK;
        if (describedOk) {
            m_columns = PQnfields(described);
            for (int i = 0; i < m_columns; ++i) {
                m_names.append(utf8(PQfname(described, i)));
                m_types.append(PQftype(described, i));
            }
        }
        PQclear(described);
        if (!describedOk)
            throw DatabaseError(errorText("Unable to prepare statement"));
        m_fields.resize(m_columns);

        const QString literal = replacedPlaceholders(sql, bindings, [this](qsizetype, const QVariant &value) {
            if (!value.isValid() || value.isNull())
                return QStringLiteral("NULL");
            const QByteArray text = parameterText(value);
            char *escaped = PQescapeLiteral(m_connection, text.constData(), size_t(text.size()));
            if (!escaped)
                throw DatabaseError(errorText("Unable to bind value"));
            const QString quoted = QString::fromUtf8(escaped);
            PQfreemem(escaped);
            return quoted;
        });
        const QByteArray copy = "COPY (" + literal.toUtf8() + ") TO STDOUT";
        if (!PQsendQuery(m_connection, copy.constData()))
            throw DatabaseError(errorText("Unable to create query"));
        PGresult *started = PQgetResult(m_connection);
        const bool ok = PQresultStatus(started) == PGRES_COPY_OUT;
        PQclear(started);
        if (!ok) {
            const QString error = errorText("Unable to create query");
            while (PGresult *more = PQgetResult(m_connection))
                PQclear(more);
            throw DatabaseError(error);
        }
        m_copying = true;
    }

    // One line of COPY's text form: fields between tabs (a tab in a value comes escaped), \N for NULL, backslash
    // escapes for the special bytes. A field without escapes is read where it is; the others are unescaped into
    // m_values, reserved for the whole line so that it never moves.
    bool split(const char *line, int size)
    {
        if (size > 0 && line[size - 1] == '\n')
            --size;
        m_values.resize(0);
        m_values.reserve(size);
        const char *const end = line + size;
        int column = 0;
        for (const char *at = line;;) {
            const char *stop = static_cast<const char *>(std::memchr(at, '\t', size_t(end - at)));
            if (!stop)
                stop = end;
            Field field{at, stop - at, false};
            if (const char *escape = static_cast<const char *>(std::memchr(at, '\\', size_t(stop - at)))) {
                if (stop - at == 2 && at[1] == 'N')
                    field = {nullptr, 0, true};
                else
                    field = {unescaped(at, escape, stop), 0, false};
                if (!field.null)
                    field.size = m_values.constData() + m_values.size() - field.data;
            }
            if (column < m_columns)
                m_fields[column] = field;
            ++column;
            if (stop == end)
                break;
            at = stop + 1;
        }
        return true;
    }

    // Appends the field from..stop, whose first backslash is at escape, unescaped to m_values; where it starts.
    const char *unescaped(const char *from, const char *escape, const char *stop)
    {
        const qsizetype start = m_values.size();
        m_values.append(from, escape - from);
        for (const char *p = escape; p < stop; ++p) {
            char c = *p;
            if (c == '\\' && p + 1 < stop) {
                switch (c = *++p) {
                case 'b': c = '\b'; break;
                case 'f': c = '\f'; break;
                case 'n': c = '\n'; break;
                case 'r': c = '\r'; break;
                case 't': c = '\t'; break;
                case 'v': c = '\v'; break;
                default: break;
                }
            }
            m_values.append(c);
        }
        return m_values.constData() + start;
    }

    void close()
    {
        PQfreemem(m_line);
        m_line = nullptr;
        if (!m_copying || PQstatus(m_connection) != CONNECTION_OK)
            return;
        // Stopped early (a cancelled export): the server is asked to stop, and the rest of the copy is read away
        // so that the connection is free for the next statement.
        if (PGcancel *cancel = PQgetCancel(m_connection)) {
            char error[256];
            PQcancel(cancel, error, sizeof error);
            PQfreeCancel(cancel);
        }
        char *line = nullptr;
        while (PQgetCopyData(m_connection, &line, 0) >= 0) {
            PQfreemem(line);
            line = nullptr;
        }
        while (PGresult *result = PQgetResult(m_connection))
            PQclear(result);
        m_copying = false;
    }

    static double real(QByteArrayView text)
    {
        if (text == "NaN")
            return std::numeric_limits<double>::quiet_NaN();
        if (text == "Infinity")
            return std::numeric_limits<double>::infinity();
        if (text == "-Infinity")
            return -std::numeric_limits<double>::infinity();
        double value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        return value;
    }

    QString errorText(const char *what) const
    {
        return Sql::errorText(QSqlError(QString::fromLatin1(what), utf8(PQerrorMessage(m_connection)).trimmed(),
                                        QSqlError::StatementError),
                              db);
    }

    PGconn *m_connection;
    bool m_copying = false;
    char *m_line = nullptr;
    QByteArray m_values; // the current row's values that held escapes, unescaped
    QList<Field> m_fields;
    int m_columns = 0;
    QStringList m_names;
    QList<Oid> m_types;
};

} // namespace

QVariant RowStream::Cell::variant() const
{
    switch (type) {
    case Type::Null:
        return QVariant(QMetaType::fromType<QString>());
    case Type::Integer:
        return QVariant(integer);
    case Type::Float:
        return QVariant(real);
    case Type::Bool:
        return QVariant(integer != 0);
    case Type::Text:
        return QVariant(QString::fromUtf8(data, size));
    case Type::Blob:
        return QVariant(QByteArray(data, size));
    }
    return {};
}

RowStream::RowStream(const QSqlDatabase &db, const QString &sql, const QList<std::pair<QString, QVariant>> &bindings)
{
    if (auto *connection = nativeHandle<sqlite3>(db, {"sqlite3*"}))
        m_engine = std::make_unique<SqliteEngine>(connection, sql, bindings);
    else if (auto *connection = nativeHandle<PGconn>(db, {"PGconn*", "pg_conn*"}))
        m_engine = std::make_unique<ServerEngine>(connection, db, sql, bindings);
    else
        throw DatabaseError(Sql::errorText(QSqlError(), db));
    m_engine->db = db;
}

RowStream::~RowStream() = default;
RowStream::RowStream(RowStream &&) noexcept = default;
RowStream &RowStream::operator=(RowStream &&) noexcept = default;

int RowStream::columnCount() const
{
    return m_engine->columnCount();
}

QString RowStream::columnName(int column) const
{
    return m_engine->columnName(column);
}

int RowStream::indexOf(QStringView name) const
{
    for (int i = 0; i < columnCount(); ++i) {
        if (columnName(i) == name)
            return i;
    }
    return -1;
}

bool RowStream::next()
{
    return m_engine->next();
}

RowStream::Cell RowStream::cell(int column) const
{
    return m_engine->cell(column);
}

QString RowStream::failure() const
{
    return m_engine->failure;
}

void RowStream::check() const
{
    if (!m_engine->failure.isEmpty())
        throw DatabaseError(m_engine->failure);
}
