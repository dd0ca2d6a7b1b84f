#pragma once

#include "../support/TestDatabase.h"
#include "Database.h"
#include "Schema.h"
#include "TicketSettings.h"
#include "Transport.h"

#include <QDir>
#include <QFile>
#include <QTest>

// Finished transports and settings the ticket tests share.
namespace TicketFixtures {

// The ticket templates and expected pages in tests/print/data; tests elsewhere name the folder themselves.
#ifndef KELVO_TICKET_DATA_DIR
#define KELVO_TICKET_DATA_DIR KELVO_TEST_DATA_DIR "/data"
#endif

inline QString dataPath(const QString &name)
{
    return QStringLiteral(KELVO_TICKET_DATA_DIR "/") + name;
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// An inbound delivery of wheat with deductions; its remark names the amount's placeholder.
inline Transport inbound17()
{
    Transport t;
    t.sorszam = 17;
    t.rendszam = QStringLiteral("ABC-123");
    t.cegnev = QStringLiteral("Kis & Nagy <Agro> Kft.");
    t.cim1 = QStringLiteral("6720 Szeged");
    t.cim2 = QStringLiteral("Tisza Lajos krt. 12.");
    t.cim3 = QStringLiteral("Magyarország");
    t.ugyfelnev = QStringLiteral("Őszi Bt.");
    t.ugyfelcim1 = QStringLiteral("6800 Hódmezővásárhely");
    t.ugyfelcim2 = QStringLiteral("Andrássy út 5.");
    t.termeknev = QStringLiteral("Búza");
    t.termekkod = QStringLiteral("02 01 03");
    t.kiszereles = QStringLiteral("ömlesztett");
    t.irany = 0;
    t.suly1 = 41250;
    t.suly2 = 15000;
    t.bedatum = QDateTime(QDate(2023, 12, 30), QTime(7, 5, 9));
    t.kidatum = QDateTime(QDate(2023, 12, 30), QTime(9, 1, 2));
    t.nettosuly = 26250;
    t.levontsuly = 525;
    t.elszamolt = 25725;
    t.tisztasag = 98.5;
    t.viztartalom = 14.2;
    t.elvartviz = 15;
    t.egysegar = 52000;
    t.osszeg = 1337700;
    t.megjegyzes = QStringLiteral("Fizetendő: %osszeg% Ft");
    t.ugyirat = QStringLiteral("UGY-2023/77");
    t.raktar = QStringLiteral("Központi \"A\" siló");
    t.felhasznalo = QStringLiteral("merlegmester");
    t.tablanev = QStringLiteral("Nagy-dűlő");
    t.parcella = QStringLiteral("12/B");
    t.tablasorszam = QStringLiteral("00042");
    t.ervenyes = true;
    t.kezi = true;
    return t;
}

// An outbound load: net, deducted, settled weight and amount are stored negative; the first weighing is the
// empty vehicle.
inline Transport outbound7()
{
    Transport t;
    t.sorszam = 7;
    t.rendszam = QStringLiteral("XYZ-987");
    t.cegnev = QStringLiteral("Fuvar Zrt.");
    t.cim1 = QStringLiteral("1097 Budapest");
    t.ugyfelnev = QStringLiteral("Malom Kft.");
    t.ugyfelcim1 = QStringLiteral("5000 Szolnok");
    t.termeknev = QStringLiteral("Kukorica");
    t.termekkod = QStringLiteral("02 03 04");
    t.irany = 1;
    t.suly1 = 15000;
    t.suly2 = 27340;
    t.bedatum = QDateTime(QDate(2024, 1, 2), QTime(13, 0, 0));
    t.kidatum = QDateTime(QDate(2024, 1, 2), QTime(13, 42, 59));
    t.nettosuly = -12340;
    t.levontsuly = -120;
    t.elszamolt = -12220;
    t.tisztasag = 100;
    t.viztartalom = 15.25;
    t.elvartviz = 15;
    t.egysegar = 48500.5;
    t.osszeg = -592676.11;
    t.raktar = QStringLiteral("Hátsó szín");
    t.modositott = true;
    return t;
}

// A large serial number with Windows-1250 letters and one character that code page lacks.
inline Transport inbound123456()
{
    Transport t;
    t.sorszam = 123456;
    t.rendszam = QStringLiteral("ŐŰ-001");
    t.cegnev = QStringLiteral("Árvíztűrő Tükörfúrógép Kft.");
    t.ugyfelnev = QStringLiteral("Жук Trans");
    t.termeknev = QStringLiteral("Napraforgó");
    t.irany = 0;
    t.suly1 = 1234567;
    t.suly2 = 999;
    t.bedatum = QDateTime(QDate(2024, 2, 29), QTime(23, 59, 0));
    t.kidatum = QDateTime(QDate(2024, 3, 1), QTime(0, 0, 0));
    t.nettosuly = 1233568;
    t.levontsuly = 0;
    t.elszamolt = 1233568;
    t.tisztasag = 100;
    t.viztartalom = 0;
    t.elvartviz = 0;
    t.egysegar = 0.125;
    t.osszeg = 154196;
    t.megjegyzes = QStringLiteral("<script>alert('x')</script>");
    return t;
}

inline TicketSettings settings(const QString &programFolder)
{
    TicketSettings s;
    s.programFolder = programFolder;
    s.be1 = QStringLiteral("Szállító");
    s.be2 = QStringLiteral("Ügyfél");
    s.ki1 = QStringLiteral("Fuvarozó");
    s.ki2 = QStringLiteral("Vevő");
    s.companyLines = {QStringLiteral("Hídmérleg Kft."), QStringLiteral("6000 Kecskemét, Mérleg u. 1."),
                      QStringLiteral("Adószám: 12345678-2-03")};
    return s;
}

// A new delivered database, on the engine of the run, holding the three fixture transports: its datapath, empty on
// failure.
inline QString makeDatabase(TestDatabase &databases)
{
    const QString path = databases.empty(QStringLiteral("kelvo"));
    if (path.isEmpty() || !Schema::createDatabase(path).isEmpty())
        return {};
    Database db(path);
    if (!db.open().isEmpty())
        return {};
    for (const Transport &t : {inbound17(), outbound7(), inbound123456()}) {
        if (!t.insert(db.db()).isEmpty())
            return {};
    }
    return path;
}

} // namespace TicketFixtures
