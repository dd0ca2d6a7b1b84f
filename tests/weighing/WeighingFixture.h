#pragma once

#include "../support/TestDatabase.h"
#include "Database.h"
#include "Sql.h"

#include <QTest>

#include <memory>

// A fresh delivered database per test, on the engine of the run (TestDatabase).
class WeighingFixture
{
public:
    WeighingFixture()
    {
        m_path = m_databases.created(QStringLiteral("kelvo"));
        m_db = std::make_unique<Database>(m_path);
        if (const QString e = m_db->open(); !e.isEmpty())
            qFatal("%s", qPrintable(e));
    }

    QSqlDatabase db() const { return m_db->db(); }
    // The datapath: a file path or a server URI.
    const QString &path() const { return m_path; }

    qint64 count(const char *table) const
    {
        return Sql::value(db(), QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).toLongLong();
    }

private:
    TestDatabase m_databases;
    QString m_path;
    std::unique_ptr<Database> m_db;
};
