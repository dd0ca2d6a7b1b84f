#include "RowStream.h"

#include "Sql.h"

#include <QAtomicInteger>
#include <QSqlDriver>
#include <QSqlError>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

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

// Rows a server cursor hands over at a time: big enough that the round trips do not count, small enough that a
// block stays a few megabytes.
constexpr int kFetchRows = 2000;

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

// ":name" placeholders as "$1", "$2" ... (one number per name), outside quoted texts and names and "::" casts.
QString numberedPlaceholders(const QString &sql, const QList<std::pair<QString, QVariant>> &bindings,
                             QList<QVariant> &values)
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
                QVariant value;
                for (const auto &[bound, v] : bindings) {
                    if (bound == name)
                        value = Sql::bindable(v);
                }
                values.append(value);
            }
            out.append(QLatin1Char('$') + QString::number(number + 1));
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

class ServerEngine final : public RowStream::Engine
{
public:
    ServerEngine(PGconn *connection, const QSqlDatabase &database, const QString &sql,
                 const QList<std::pair<QString, QVariant>> &bindings)
        : m_connection(connection)
    {
        db = database;
        static QAtomicInteger<int> cursors;
        m_cursor = "kelvo_rows_" + QByteArray::number(cursors.fetchAndAddRelaxed(1) + 1);
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
        if (++m_row < m_rows)
            return true;
        if (m_rows < kFetchRows || !failure.isEmpty())
            return false;
        return fetch() && ++m_row < m_rows;
    }
    RowStream::Cell cell(int column) const override
    {
        RowStream::Cell c;
        if (PQgetisnull(m_result, m_row, column))
            return c;
        const char *text = PQgetvalue(m_result, m_row, column);
        const int size = PQgetlength(m_result, m_row, column);
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
            std::from_chars(text, text + size, c.integer);
            return c;
        case kFloat4:
        case kFloat8:
        case kNumeric:
            c.type = RowStream::Type::Float;
            c.real = real(text, size);
            return c;
        default:
            c.type = RowStream::Type::Text;
            c.data = text;
            c.size = size;
            return c;
        }
    }

private:
    void open(const QString &sql, const QList<std::pair<QString, QVariant>> &bindings)
    {
        // A cursor lives in a transaction: a read-only one of its own unless the caller has one open.
        if (PQtransactionStatus(m_connection) == PQTRANS_IDLE) {
            command("BEGIN READ ONLY");
            m_ownTransaction = true;
            // The rows are all read: the plan for the whole result, not for its first rows.
            command("SET LOCAL cursor_tuple_fraction = 1");
        }
        QList<QVariant> values;
        const QByteArray declare =
            "DECLARE " + m_cursor + " NO SCROLL CURSOR FOR " + numberedPlaceholders(sql, bindings, values).toUtf8();
        QList<QByteArray> texts;
        std::vector<const char *> pointers;
        for (const QVariant &v : values)
            texts.append(parameterText(v));
        for (qsizetype i = 0; i < values.size(); ++i)
            pointers.push_back(values.at(i).isValid() && !values.at(i).isNull() ? texts.at(i).constData() : nullptr);
        PGresult *declared = PQexecParams(m_connection, declare.constData(), int(pointers.size()), nullptr,
                                          pointers.data(), nullptr, nullptr, 0);
        const bool ok = PQresultStatus(declared) == PGRES_COMMAND_OK;
        PQclear(declared);
        if (!ok)
            throw DatabaseError(errorText("Unable to create query"));
        m_cursorOpen = true;
        if (!fetch())
            throw DatabaseError(failure);
    }

    void close()
    {
        PQclear(m_result);
        m_result = nullptr;
        if (PQstatus(m_connection) != CONNECTION_OK)
            return;
        // Ending the transaction of its own closes the cursor with it.
        if (m_ownTransaction)
            PQclear(PQexec(m_connection, "ROLLBACK"));
        else if (m_cursorOpen && failure.isEmpty())
            PQclear(PQexec(m_connection, ("CLOSE " + m_cursor).constData()));
    }

    static double real(const char *text, int size)
    {
        if (std::strcmp(text, "NaN") == 0)
            return std::numeric_limits<double>::quiet_NaN();
        if (std::strcmp(text, "Infinity") == 0)
            return std::numeric_limits<double>::infinity();
        if (std::strcmp(text, "-Infinity") == 0)
            return -std::numeric_limits<double>::infinity();
        double value = 0;
        std::from_chars(text, text + size, value);
        return value;
    }

    QString errorText(const char *what) const
    {
        return Sql::errorText(QSqlError(QString::fromLatin1(what), utf8(PQerrorMessage(m_connection)).trimmed(),
                                        QSqlError::StatementError),
                              db);
    }

    void command(const char *sql)
    {
        PGresult *result = PQexec(m_connection, sql);
        const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
        if (!ok)
            throw DatabaseError(errorText("Unable to begin transaction"));
    }

    bool fetch()
    {
        PQclear(m_result);
        m_result = PQexec(m_connection, ("FETCH " + QByteArray::number(kFetchRows) + " FROM " + m_cursor).constData());
        m_row = -1;
        m_rows = 0;
        if (PQresultStatus(m_result) != PGRES_TUPLES_OK) {
            failure = errorText("Unable to get result");
            PQclear(m_result);
            m_result = nullptr;
            return false;
        }
        m_rows = PQntuples(m_result);
        if (m_names.isEmpty()) {
            m_columns = PQnfields(m_result);
            for (int i = 0; i < m_columns; ++i) {
                m_names.append(utf8(PQfname(m_result, i)));
                m_types.append(PQftype(m_result, i));
            }
        }
        return true;
    }

    PGconn *m_connection;
    QByteArray m_cursor;
    bool m_ownTransaction = false;
    bool m_cursorOpen = false;
    PGresult *m_result = nullptr;
    int m_row = -1;
    int m_rows = 0;
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
