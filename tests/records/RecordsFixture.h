#pragma once

#include "../support/TestDatabase.h"

#include "Formats.h"
#include "Transport.h"

#include <QSqlDatabase>
#include <QTest>

#include <memory>

// Five finished transports: 1 inbound, 2 outbound and typed in by hand, 3 cancelled, 4 modified and marked with a
// remark that needs quoting, 5 finished at midnight. Amounts 1.5, -0.5 and 1.5 tell a running rounded total
// (4) from a rounded sum (2).
class RecordsFixture
{
public:
    explicit RecordsFixture(TestDatabase &databases)
        : m_database(std::make_unique<Database>(databases.created(QStringLiteral("records"))))
    {
        if (const QString error = m_database->open(); !error.isEmpty())
            qWarning() << error;
        add(1, 0, "ABC-123", "Alfa Kft", "2026-03-02 09:00:00", "2026-03-02 10:00:00", 5000, 1.5);
        Transport &out = add(2, 1, "XYZ-9", "Béta Bt", "2026-03-02 11:00:00", "2026-03-02 11:30:00", -2000, -0.5);
        out.kezi = true;
        Transport &cancelled = add(3, 0, "ABC-123", "Alfa Kft", "2026-03-02 11:00:00", "2026-03-02 12:00:00", 1000, 200);
        cancelled.ervenyes = false;
        Transport &modified = add(4, 0, "QRS-1", "Alfa Kft", "2026-03-03 07:00:00", "2026-03-03 08:00:00", 3000, 1.5);
        modified.modositott = modified.jelolt = true;
        modified.elszamolt = 2900;
        modified.megjegyzes = QStringLiteral("say \"hi\"; ok");
        add(5, 0, "O'MID", "Gamma", "2026-03-01 00:00:00", "2026-03-01 00:00:00", 100, 0);
        for (const Transport &t : m_rows) {
            if (const QString error = t.insert(db()); !error.isEmpty())
                qWarning() << error;
        }
    }

    QSqlDatabase db() const { return m_database->db(); }

private:
    Transport &add(qint64 serial, int direction, const char *plate, const char *carrier, const char *in,
                   const char *out, qint64 net, double amount)
    {
        Transport t;
        t.sorszam = serial;
        t.irany = direction;
        t.rendszam = QString::fromUtf8(plate);
        t.cegnev = QString::fromUtf8(carrier);
        t.termeknev = QStringLiteral("Búza");
        t.raktar = QStringLiteral("Fő");
        t.bedatum = Formats::parseDbDateTime(QLatin1String(in));
        t.kidatum = Formats::parseDbDateTime(QLatin1String(out));
        t.nettosuly = t.elszamolt = net;
        t.osszeg = amount;
        m_rows.append(t);
        return m_rows.last();
    }

    std::unique_ptr<Database> m_database;
    QList<Transport> m_rows;
};
