#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>

// The connection to the weighbridge database: a SQLite file or a PostgreSQL database, as the datapath setting names
// it (DatabaseUri). Every window reads and writes through this one connection.
class Database : public QObject
{
    Q_OBJECT

public:
    explicit Database(QString path, QObject *parent = nullptr);
    ~Database() override;
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    const QString &path() const { return m_path; }
    QSqlDatabase db() const;

    // The password of the store, built at run time from a scrambled constant (SQLite takes none; a
    // password-taking store gets it as a connection parameter).
    static QString password();

    // Opens the existing file or server database for reading and writing; a missing one is never created. Returns
    // the error text (the server's own, for a server), empty on success.
    QString open();
    void close();
    bool isOpen() const;

    // Opens each table in the start-up order, then adds what an older file lacks (Schema::upgrade); returns the
    // first error text, empty when every table is there.
    QString openTables();

    // In network mode several stations share the file: the windows call refresh before they read or change a
    // shared table, and the views of that table read it again. Off, the call does nothing.
    void setNetworkMode(bool on) { m_networkMode = on; }
    bool networkMode() const { return m_networkMode; }
    void refresh(const QString &table);

    // Opens a connection of its own to the database path names (for one-off work such as the start-up checks).
    static QSqlDatabase openConnection(const QString &path, const QString &connectionName, QString *error);

signals:
    void tableRefreshed(const QString &table);

private:
    QString m_path;
    QString m_connectionName;
    bool m_networkMode = false;
};
