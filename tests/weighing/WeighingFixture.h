#pragma once

#include "Database.h"
#include "Schema.h"
#include "Sql.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A fresh delivered database per test.
class WeighingFixture
{
public:
    WeighingFixture()
    {
        m_path = m_dir.filePath(QStringLiteral("kelvo.mdb"));
        const QString error = Schema::createFile(m_path);
        if (!error.isEmpty())
            qFatal("%s", qPrintable(error));
        m_db = std::make_unique<Database>(m_path);
        if (const QString e = m_db->open(); !e.isEmpty())
            qFatal("%s", qPrintable(e));
    }

    QSqlDatabase db() const { return m_db->db(); }
    const QString &path() const { return m_path; }
    QString folder() const { return m_dir.path() + QLatin1Char('/'); }

    qint64 count(const char *table) const
    {
        return Sql::value(db(), QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).toLongLong();
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<Database> m_db;
};
