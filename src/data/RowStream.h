#pragma once

#include <QByteArrayView>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <memory>
#include <utility>

// The rows of one SELECT read straight through the engine's own client library on the connection of db (sqlite3
// statements; libpq's COPY TO STDOUT), for output of many rows: the Qt drivers make a QVariant of
// every value, and on a server the forward-only driver waits for every row on its own. The connection is busy until
// the stream is destroyed.
class RowStream
{
public:
    // How a value came from the engine, the way the Qt drivers hand it over: SQLite's storage class of the value, a
    // server column's type.
    enum class Type { Null, Integer, Float, Text, Bool, Blob };

    struct Cell {
        Type type = Type::Null;
        qint64 integer = 0; // Integer; Bool as 0 or 1
        double real = 0;    // Float
        const char *data = nullptr; // Text and Blob: the bytes (UTF-8 for text), valid until the next row
        qsizetype size = 0;

        QByteArrayView bytes() const { return {data, size}; }
        // The value as the Qt driver would have given it.
        QVariant variant() const;
        // The value as a number, as variant().toLongLong() and toDouble() give it, without the QVariant for the
        // numbers the engine hands over as numbers.
        qint64 whole() const { return type == Type::Integer || type == Type::Bool ? integer : variant().toLongLong(); }
        double number() const
        {
            return type == Type::Float ? real : type == Type::Integer ? double(integer) : variant().toDouble();
        }
    };

    // Runs sql with the named placeholders (":name") bound to their values (through Sql::bindable). Throws
    // DatabaseError with the system's text.
    RowStream(const QSqlDatabase &db, const QString &sql, const QList<std::pair<QString, QVariant>> &bindings = {});
    ~RowStream();
    RowStream(RowStream &&) noexcept;
    RowStream &operator=(RowStream &&) noexcept;

    int columnCount() const;
    QString columnName(int column) const;
    // The index of the column named name, -1 for none.
    int indexOf(QStringView name) const;

    // The next row; false after the last one, and on a failure (then failure() says why).
    bool next();
    Cell cell(int column) const;

    // After next() returned false: the system's text when the rows stopped on a failure rather than after the last
    // one (a server connection lost while the rows came in), empty when every row was read.
    QString failure() const;
    // The same as a DatabaseError: a result cut short must never pass for the whole of it.
    void check() const;

    class Engine;

private:
    std::unique_ptr<Engine> m_engine;
};
