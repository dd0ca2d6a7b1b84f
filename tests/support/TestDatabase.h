#pragma once

#include "Database.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

// Fresh databases for a test on the engine its run is for. CTest runs a test registered with BOTH_ENGINES twice:
// once as is (SQLite files in a temporary folder), once with KELVO_TEST_ENGINE=postgresql, where each fresh database
// is a new one on the server KELVO_TEST_PG names (scripts/test starts one) and is dropped again at the end.
class TestDatabase
{
public:
    TestDatabase() = default;
    ~TestDatabase()
    {
        for (const QString &name : std::as_const(m_made))
            admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
        QSqlDatabase::removeDatabase(kAdmin);
    }
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    static bool onServer() { return qEnvironmentVariable("KELVO_TEST_ENGINE") == u"postgresql"; }
    static QString serverUri() { return qEnvironmentVariable("KELVO_TEST_PG"); }
    // Why this run cannot go on: the server run without a server named. Empty when it can.
    static QString skipReason()
    {
        if (onServer() && serverUri().isEmpty())
            return QStringLiteral("KELVO_TEST_PG names no PostgreSQL server (./scripts/test starts one for its run)");
        return {};
    }

    // The datapath of a new, empty database: a file name not yet taken, or a new database on the server.
    QString empty(const QString &name) { return emptyOn(onServer(), name); }
    // The same on the engine asked for, whatever the run is for (a test that always needs both engines).
    QString emptyOn(bool server, const QString &name)
    {
        if (!server) {
            // A name already taken in this run gets a number.
            QString path = m_dir.filePath(name + QStringLiteral(".mdb"));
            while (QFileInfo::exists(path))
                path = m_dir.filePath(QStringLiteral("%1-%2.mdb").arg(name).arg(++m_count));
            return path;
        }
        const QString database = QStringLiteral("kelvo_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++m_count);
        if (!admin(QStringLiteral("CREATE DATABASE %1").arg(database)))
            return {};
        m_made.append(database);
        return withDatabase(database);
    }
    // The datapath of a new database with the delivered tables.
    QString created(const QString &name)
    {
        const QString path = empty(name);
        if (const QString error = Schema::createDatabase(path); !error.isEmpty())
            qWarning() << "creating the test database:" << error;
        return path;
    }
    // The server URI for a database that does not exist.
    static QString missing() { return withDatabase(QStringLiteral("kelvo_test_no_such_database")); }
    // The server URI with another database name.
    static QString withDatabase(const QString &database)
    {
        QUrl url(serverUri());
        url.setPath(QLatin1Char('/') + database);
        return url.toString();
    }
    const QTemporaryDir &dir() const { return m_dir; }

    // Writes the Kelvo.ini of a program folder: iniText with a datapath line naming the database first in its [Opt]
    // section (which is added when iniText has none).
    static bool writeIni(const QString &folder, const QString &datapath, QByteArray iniText = "[Opt]\nkarbantart=0\n")
    {
        const QByteArray line = "datapath=" + datapath.toUtf8() + "\r\n";
        const qsizetype opt = iniText.indexOf("[Opt]");
        if (opt < 0)
            iniText.prepend("[Opt]\r\n" + line);
        else
            iniText.insert(iniText.indexOf('\n', opt) + 1, line);
        QFile ini(QDir(folder).filePath(QStringLiteral("Kelvo.ini")));
        return ini.open(QIODevice::WriteOnly | QIODevice::Truncate) && ini.write(iniText) == iniText.size();
    }

    // Runs statements separated by ";" on a connection of its own; false (and a warning) on the first failure.
    static bool exec(const QString &datapath, const QString &statements)
    {
        bool ok = true;
        {
            QString error;
            QSqlDatabase db = Database::openConnection(datapath, QStringLiteral("test-exec"), &error);
            if (!error.isEmpty()) {
                qWarning() << error;
                ok = false;
            }
            QSqlQuery q(db);
            for (const QString &sql : statements.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                if (ok && !q.exec(sql)) {
                    qWarning() << sql << q.lastError().text();
                    ok = false;
                }
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("test-exec"));
        return ok;
    }

    // Runs one statement as the server's administrator (the KELVO_TEST_PG connection).
    static bool admin(const QString &sql)
    {
        QSqlDatabase db = QSqlDatabase::database(kAdmin, false);
        if (!db.isValid())
            db = Database::openConnection(serverUri(), kAdmin, nullptr);
        if (!db.isOpen() && !db.open()) {
            qWarning() << "the test server:" << db.lastError().text();
            return false;
        }
        QSqlQuery q(db);
        if (!q.exec(sql)) {
            qWarning() << sql << q.lastError().text();
            return false;
        }
        return true;
    }

private:
    static inline const QString kAdmin = QStringLiteral("test-admin");
    QTemporaryDir m_dir;
    QStringList m_made;
    int m_count = 0;
};

// Skips the whole run when it is for the server and none is named; call it first in initTestCase.
#define KELVO_REQUIRE_ENGINE()                                                                                         \
    do {                                                                                                               \
        if (const QString reason = TestDatabase::skipReason(); !reason.isEmpty())                                      \
            QSKIP(qPrintable(reason));                                                                                 \
    } while (false)
