#include "Transport.h"

#include "Formats.h"
#include "Sql.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

constexpr char kColumns[] =
    "sorszam, rendszam, cegnev, cim1, cim2, cim3, ugyfelnev, ugyfelcim1, ugyfelcim2, ugyfelcim3, termeknev, "
    "termekkod, kiszereles, irany, suly1, suly2, bedatum, kidatum, nettosuly, levontsuly, elszamolt, tisztasag, "
    "viztartalom, elvartviz, egysegar, osszeg, megjegyzes, ugyirat, raktar, felhasznalo, tablanev, parcella, "
    "tablasorszam, ervenyes, modositott, kezi, jelolt, jel1, jel2, nyomtatva";

// A missing date stays NULL rather than becoming the empty text.
QVariant dateValue(const QDateTime &dt)
{
    return dt.isValid() ? QVariant(Formats::dbDateTime(dt)) : QVariant();
}

} // namespace

std::optional<Transport> Transport::load(const QSqlDatabase &db, qint64 sorszam, QString *error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT %1 FROM szallitasok WHERE sorszam = :s").arg(QLatin1String(kColumns)));
    q.bindValue(QStringLiteral(":s"), sorszam);
    if (!q.exec()) {
        if (error)
            *error = q.lastError().text();
        return std::nullopt;
    }
    if (!q.next()) {
        if (error)
            *error = Sql::readFailure(q, db);
        return std::nullopt;
    }
    const QSqlRecord r = q.record();
    const auto s = [&](const char *f) { return r.value(QLatin1String(f)).toString(); };
    const auto i = [&](const char *f) { return r.value(QLatin1String(f)).toLongLong(); };
    const auto d = [&](const char *f) { return r.value(QLatin1String(f)).toDouble(); };
    const auto b = [&](const char *f) { return r.value(QLatin1String(f)).toInt() != 0; };
    Transport t;
    t.sorszam = i("sorszam");
    t.rendszam = s("rendszam");
    t.cegnev = s("cegnev");
    t.cim1 = s("cim1");
    t.cim2 = s("cim2");
    t.cim3 = s("cim3");
    t.ugyfelnev = s("ugyfelnev");
    t.ugyfelcim1 = s("ugyfelcim1");
    t.ugyfelcim2 = s("ugyfelcim2");
    t.ugyfelcim3 = s("ugyfelcim3");
    t.termeknev = s("termeknev");
    t.termekkod = s("termekkod");
    t.kiszereles = s("kiszereles");
    t.irany = int(i("irany"));
    t.suly1 = i("suly1");
    t.suly2 = i("suly2");
    t.bedatum = Formats::parseDbDateTime(s("bedatum"));
    t.kidatum = Formats::parseDbDateTime(s("kidatum"));
    t.nettosuly = i("nettosuly");
    t.levontsuly = i("levontsuly");
    t.elszamolt = i("elszamolt");
    t.tisztasag = d("tisztasag");
    t.viztartalom = d("viztartalom");
    t.elvartviz = d("elvartviz");
    t.egysegar = d("egysegar");
    t.osszeg = d("osszeg");
    t.megjegyzes = s("megjegyzes");
    t.ugyirat = s("ugyirat");
    t.raktar = s("raktar");
    t.felhasznalo = s("felhasznalo");
    t.tablanev = s("tablanev");
    t.parcella = s("parcella");
    t.tablasorszam = s("tablasorszam");
    t.ervenyes = b("ervenyes");
    t.modositott = b("modositott");
    t.kezi = b("kezi");
    t.jelolt = b("jelolt");
    t.jel1 = s("jel1");
    t.jel2 = s("jel2");
    t.nyomtatva = int(i("nyomtatva"));
    return t;
}

QString Transport::insert(const QSqlDatabase &db) const
{
    QSqlQuery q(db);
    const QStringList names = QString::fromLatin1(kColumns).split(QStringLiteral(", "));
    QStringList placeholders;
    for (const QString &n : names)
        placeholders.append(QLatin1Char(':') + n);
    const QVariant values[] = {sorszam, rendszam, cegnev, cim1, cim2, cim3, ugyfelnev, ugyfelcim1, ugyfelcim2,
                               ugyfelcim3, termeknev, termekkod, kiszereles, irany, suly1, suly2,
                               dateValue(bedatum), dateValue(kidatum), nettosuly, levontsuly,
                               elszamolt, tisztasag, viztartalom, elvartviz, egysegar, osszeg, megjegyzes, ugyirat,
                               raktar, felhasznalo, tablanev, parcella, tablasorszam, ervenyes, modositott, kezi,
                               jelolt, jel1, jel2, nyomtatva};
    q.prepare(QStringLiteral("INSERT INTO szallitasok (%1) VALUES (%2)")
                  .arg(QLatin1String(kColumns), placeholders.join(QStringLiteral(", "))));
    for (int k = 0; k < names.size(); ++k)
        Sql::bind(q, placeholders.at(k), values[k]);
    if (!q.exec())
        return q.lastError().text();
    return {};
}

std::optional<int> Transport::countPrint(const QSqlDatabase &db, qint64 sorszam, QString *error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE szallitasok SET nyomtatva = nyomtatva + 1 WHERE sorszam = :s RETURNING nyomtatva"));
    q.bindValue(QStringLiteral(":s"), sorszam);
    if (!q.exec()) {
        if (error)
            *error = q.lastError().text();
        return std::nullopt;
    }
    if (!q.next()) {
        if (error)
            *error = Sql::readFailure(q, db);
        return std::nullopt;
    }
    return q.value(0).toInt();
}
