#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QSet>
#include <QSqlDriver>
#include <QString>
#include <QTimer>

// The connection to the weighbridge database: a SQLite file or a PostgreSQL database, as the datapath setting names
// it (DatabaseUri). Every window reads and writes through this one connection.
//
// A server connection can be lost while the program runs (server restarted, network cut). The operation in hand then
// fails with the server's text and its transaction is gone; db() notices the broken connection and opens it again,
// so the next operation goes through without the windows or the core knowing.
class Database : public QObject
{
    Q_OBJECT

public:
    explicit Database(QString path, QObject *parent = nullptr);
    ~Database() override;
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    const QString &path() const { return m_path; }
    // The connection for the next operation: opened again first when it was lost. Take it once per operation, never
    // in the middle of a transaction.
    QSqlDatabase db();

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
    // The same on a connection of another owner (the window program's worker).
    static QString openTables(const QSqlDatabase &db);

    // In network mode several stations share the file: the windows call refresh before they read or change a
    // shared table, and the views of that table read it again. Off, the call does nothing. Network mode also
    // follows the changes other connections commit (changedElsewhere): a server announces them, a SQLite file's
    // change counter is read every second.
    void setNetworkMode(bool on);
    bool networkMode() const { return m_networkMode; }
    void refresh(const QString &table);

    // Opens a connection of its own to the database path names (for one-off work such as the start-up checks).
    static QSqlDatabase openConnection(const QString &path, const QString &connectionName, QString *error);

signals:
    void tableRefreshed(const QString &table);
    // Another connection committed a change to the table (network mode on a server). Announcements that arrive in
    // one turn of the event loop give one signal per table.
    void changedElsewhere(const QString &table);
    // The lost connection of a station in network mode is open again: what others committed meanwhile was not
    // announced to it, so its views read again.
    void reconnected();

private:
    void listen();
    void announced(const QString &name, QSqlDriver::NotificationSource source, const QVariant &payload);
    void emitChanges();
    void pollFile();

    QString m_path;
    QString m_connectionName;
    bool m_networkMode = false;
    // open() succeeded and close() has not been called: a connection found closed was lost, and is opened again.
    bool m_wanted = false;
    QSet<QString> m_changed;
    // In network mode on a server: looks for a lost connection every few seconds and opens it again, so that the
    // station follows the others again without anyone pressing a key.
    QTimer m_watch;
    // In network mode on a SQLite file: PRAGMA data_version, read every second.
    QTimer m_fileWatch;
    qint64 m_dataVersion = -1;
};
