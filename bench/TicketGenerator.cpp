#include "TicketGenerator.h"

#include "Dialect.h"
#include "Schema.h"
#include "StockTotals.h"
#include "Settlement.h"
#include "Sql.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QSqlError>
#include <QTimeZone>
#include <QSqlQuery>
#include <QStringList>

#include <cmath>

namespace TicketGenerator {
namespace {

// splitmix64: the same numbers on every compiler and library, unlike the std distributions.
class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed) {}
    quint64 next()
    {
        quint64 z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    qint64 below(qint64 n) { return qint64(next() % quint64(n)); }
    qint64 between(qint64 low, qint64 high) { return low + below(high - low + 1); }
    bool chance(double share) { return double(next() >> 11) / double(1ULL << 53) < share; }
    // Small indexes far more often than large ones: a few products, vehicles and customers make most tickets.
    qint64 skewed(qint64 n)
    {
        const double u = double(next() >> 11) / double(1ULL << 53);
        return std::min(n - 1, qint64(u * u * double(n)));
    }
    template <typename T, std::size_t N> const T &pick(const T (&list)[N]) { return list[below(qint64(N))]; }

private:
    quint64 m_state;
};

const char *const kSurnames[] = {"Kovács", "Szabó",  "Tóth",   "Nagy",    "Horváth", "Varga",   "Kiss",
                                 "Molnár", "Németh", "Farkas", "Balogh",  "Papp",    "Takács",  "Juhász",
                                 "Lakatos", "Mészáros", "Oláh", "Simon",  "Rácz",    "Fekete",  "Szilágyi",
                                 "Török",  "Fehér",  "Balázs", "Gál",     "Kis",     "Szűcs",   "Kocsis"};
const char *const kFirstNames[] = {"László", "István", "József", "János", "Zoltán", "Sándor", "Gábor", "Ferenc",
                                   "Attila", "Péter",  "Tamás",  "Anna",  "Katalin", "Éva",   "Erzsébet", "Zsófia"};
const char *const kTrades[] = {"Agro", "Trans", "Fuvarozó", "Mezőgazdasági", "Kereskedelmi", "Gabona", "Logisztika",
                               "Szállítmányozó", "Termény", "Agrár"};
const char *const kForms[] = {"Kft.", "Kft.", "Kft.", "Bt.", "Zrt.", "Kkt."};
const char *const kTowns[] = {"Kecskemét", "Szeged", "Debrecen", "Békéscsaba", "Hódmezővásárhely", "Kiskunfélegyháza",
                              "Szolnok", "Nyíregyháza", "Jászberény", "Cegléd", "Orosháza", "Makó", "Baja",
                              "Kalocsa", "Mezőtúr", "Karcag", "Gyula", "Szentes", "Csongrád", "Kiskőrös"};
const char *const kTownAdjectives[] = {"Kecskeméti", "Szegedi", "Debreceni", "Békési", "Vásárhelyi", "Félegyházi",
                                       "Szolnoki", "Nyírségi", "Jászsági", "Ceglédi", "Orosházi", "Makói", "Bajai",
                                       "Kalocsai", "Tiszamenti", "Nagykunsági", "Körösvölgyi", "Alföldi"};
const char *const kCustomerKinds[] = {"Mezőgazdasági Zrt.", "Agrár Kft.", "Gabonaforgalmi Kft.", "Malom Kft.",
                                      "Takarmány Kft.", "Mg. Szövetkezet", "Termelő Kft.", "Olajüzem Zrt."};
const char *const kStreets[] = {"Fő utca", "Petőfi Sándor utca", "Kossuth Lajos utca", "Dózsa György út",
                                "Rákóczi út", "Ady Endre utca", "Széchenyi tér", "Ipari park", "Vasút utca",
                                "Határ út", "Malom utca", "Tanya"};
struct Crop {
    const char *name;
    bool grain; // settled on moisture
    int price;  // Ft a tonne, about
};
const Crop kCrops[] = {{"Búza", true, 78000},       {"Kukorica", true, 72000},   {"Árpa", true, 70000},
                       {"Napraforgó", true, 165000}, {"Repce", true, 185000},    {"Szója", true, 160000},
                       {"Zab", true, 65000},         {"Tritikálé", true, 66000}, {"Rozs", true, 64000},
                       {"Cirok", true, 60000},       {"Borsó", true, 90000},     {"Cukorrépa", false, 14000},
                       {"Burgonya", false, 90000},   {"Lucerna", false, 45000},  {"Szalma", false, 20000},
                       {"Műtrágya", false, 210000},  {"Mészkő", false, 9000},    {"Homok", false, 4500},
                       {"Sóder", false, 6000},       {"Vetőmag", false, 350000}, {"Takarmánykeverék", false, 120000},
                       {"Silókukorica", false, 12000}, {"Korpa", false, 55000}, {"Faapríték", false, 25000},
                       {"Fém hulladék", false, 95000}};
const char *const kGrades[] = {"", " I. osztály", " II. osztály", " takarmány", " étkezési", " vetőmag", " bio",
                               " import"};
const char *const kPackings[] = {"ömlesztett", "ömlesztett", "ömlesztett", "zsákos", "big-bag", "bálás"};
const char *const kRemarks[] = {"Minta elküldve", "Nedves, szárítóba", "Gyomos", "Törött szem", "Ponyva nélkül",
                                "Sürgős", "Bérszárítás", "Visszáru", "Raktárból kiadva", "Szerződés szerint",
                                "Minőségi kifogás", "Tároló tele, átirányítva", "Utólag számlázni",
                                "Kétszer mérve", "Pótkocsival"};
const char *const kUsers[] = {"Kovács Anna", "Tóth Béla", "Szabó Éva", "Nagy Ferenc", "Mérlegmester"};

struct Vehicle {
    QString plate;
    int carrier;
    qint64 tare;
};
struct Company {
    QString name, cim1, cim2, cim3;
};
struct Product {
    QString name, code, packing;
    bool grain;
    double price;
};

QString literal(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString number(double value)
{
    return QString::number(value, 'g', 17);
}

void exec(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw DatabaseError(q.lastError().text() + QStringLiteral(" (") + sql.left(200) + QStringLiteral(")"));
}

// Rows go in a few hundred at a time: one statement each, not one per row.
class Inserter
{
public:
    Inserter(const QSqlDatabase &db, QString head) : m_db(db), m_head(std::move(head)) {}
    void add(const QStringList &values)
    {
        m_rows.append(QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')'));
        if (m_rows.size() == 500)
            flush();
    }
    void flush()
    {
        if (m_rows.isEmpty())
            return;
        exec(m_db, m_head + QStringLiteral(" VALUES ") + m_rows.join(QLatin1Char(',')));
        m_rows.clear();
    }

private:
    const QSqlDatabase &m_db;
    QString m_head;
    QStringList m_rows;
};

Company company(Random &random, const QString &name)
{
    const QString town = QString::fromUtf8(random.pick(kTowns));
    return {name, QStringLiteral("%1 %2.").arg(QString::fromUtf8(random.pick(kStreets))).arg(random.between(1, 120)),
            town, QString::number(random.between(20, 99) * 100 + random.between(0, 99))};
}

// Distinct names: a combination already taken gets the next form or a number.
QList<Company> companies(Random &random, int count, bool carriers)
{
    QList<Company> list;
    QSet<QString> taken;
    while (list.size() < count) {
        QString name;
        if (carriers) {
            name = random.chance(0.2) ? QStringLiteral("%1 %2 e.v.").arg(QString::fromUtf8(random.pick(kSurnames)),
                                                                         QString::fromUtf8(random.pick(kFirstNames)))
                                      : QStringLiteral("%1 %2 %3").arg(QString::fromUtf8(random.pick(kSurnames)),
                                                                       QString::fromUtf8(random.pick(kTrades)),
                                                                       QString::fromUtf8(random.pick(kForms)));
        } else {
            name = random.chance(0.3) ? QStringLiteral("%1 %2 őstermelő").arg(QString::fromUtf8(random.pick(kSurnames)),
                                                                              QString::fromUtf8(random.pick(kFirstNames)))
                                      : QStringLiteral("%1 %2").arg(QString::fromUtf8(random.pick(kTownAdjectives)),
                                                                   QString::fromUtf8(random.pick(kCustomerKinds)));
        }
        // Names compare without regard to case in the program.
        if (taken.contains(name.toLower()))
            name += QStringLiteral(" %1").arg(list.size() + 1);
        taken.insert(name.toLower());
        list.append(company(random, name));
    }
    return list;
}

QList<Vehicle> vehicles(Random &random, int count, int carriers)
{
    QList<Vehicle> list;
    QSet<QString> taken;
    while (list.size() < count) {
        QString plate;
        for (int i = 0; i < 3; ++i)
            plate += QChar(char16_t(u'A' + random.below(26)));
        plate += QStringLiteral("-%1").arg(random.between(1, 999), 3, 10, QLatin1Char('0'));
        if (taken.contains(plate))
            continue;
        taken.insert(plate);
        // Tractors with trailers and lorries: 6 to 16 tonnes empty, to 20 kg as a scale shows them.
        list.append({plate, int(random.skewed(carriers)), random.between(300, 800) * 20});
    }
    return list;
}

QList<Product> products(Random &random, int count)
{
    QList<Product> list;
    const int crops = int(std::size(kCrops));
    for (int i = 0; i < count; ++i) {
        const Crop &crop = kCrops[i % crops];
        const int grade = i / crops;
        QString name = QString::fromUtf8(crop.name) + QString::fromUtf8(kGrades[grade % int(std::size(kGrades))]);
        if (grade >= int(std::size(kGrades)))
            name += QStringLiteral(" %1").arg(grade / int(std::size(kGrades)) + 1);
        const double price = std::round(crop.price * (0.8 + 0.4 * double(random.below(1000)) / 1000.0) / 500) * 500;
        list.append({name, QStringLiteral("T%1").arg(i + 1, 4, 10, QLatin1Char('0')),
                     QString::fromUtf8(random.pick(kPackings)), crop.grain, price});
    }
    return list;
}

QString stamp(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The indexes of the ticket table, dropped for the load and made again over the full table: far faster than
// keeping a dozen indexes up to date row by row. Unique ones stay: they are the table's own constraints.
QStringList takeIndexes(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    const bool server = Dialect::isServer(db);
    q.exec(server ? QStringLiteral("SELECT indexname, indexdef FROM pg_indexes WHERE tablename = 'szallitasok' AND "
                                   "schemaname = current_schema() AND indexdef NOT LIKE 'CREATE UNIQUE%'")
                  : QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = "
                                   "'szallitasok' AND sql IS NOT NULL AND sql NOT LIKE 'CREATE UNIQUE%'"));
    QStringList names, made;
    while (q.next()) {
        names.append(q.value(0).toString());
        made.append(q.value(1).toString());
    }
    for (const QString &name : std::as_const(names))
        exec(db, QStringLiteral("DROP INDEX %1").arg(name));
    return made;
}

// The tables kept from the tickets by triggers (the quick search's text, the lists' values, the stock totals):
// removed for the load; Schema makes them again and fills them from every ticket at once.
void dropDerived(const QSqlDatabase &db)
{
    const QString text = QLatin1String(Schema::kSearchTable);
    const QString values = QLatin1String(Schema::kListValueTable);
    const QString stock = QLatin1String(StockTotals::kTable);
    for (const QString &table : {text, values, stock}) {
        if (Dialect::isServer(db)) {
            exec(db, QStringLiteral("DROP TRIGGER IF EXISTS %1_change ON szallitasok").arg(table));
        } else {
            for (const char *event : {"insert", "update", "delete", "update_old", "update_new"})
                exec(db, QStringLiteral("DROP TRIGGER IF EXISTS %1_%2").arg(table, QLatin1String(event)));
        }
    }
    if (!Dialect::isServer(db))
        exec(db, QStringLiteral("DROP TABLE IF EXISTS %1_trigram").arg(text));
    for (const QString &table : {text, values, stock})
        exec(db, QStringLiteral("DROP TABLE IF EXISTS %1").arg(table));
}

void fillMasterTables(const QSqlDatabase &db, const QList<Vehicle> &fleet, const QList<Company> &carriers,
                      const QList<Company> &customers, const QList<Product> &goods, int warehouses,
                      const QDateTime &tareDate)
{
    {
        Inserter in(db, QStringLiteral("INSERT INTO szallito (rendszam, nev, cim1, cim2, cim3, tarasuly, taradatum)"));
        for (const Vehicle &v : fleet) {
            const Company &c = carriers.at(v.carrier);
            in.add({literal(v.plate), literal(c.name), literal(c.cim1), literal(c.cim2), literal(c.cim3),
                    QString::number(v.tare), literal(stamp(tareDate))});
        }
        in.flush();
    }
    {
        Inserter in(db, QStringLiteral("INSERT INTO ugyfel (nev, cim1, cim2, cim3)"));
        for (const Company &c : customers)
            in.add({literal(c.name), literal(c.cim1), literal(c.cim2), literal(c.cim3)});
        in.flush();
    }
    {
        Inserter in(db, QStringLiteral("INSERT INTO termek (nev, kod, kiszereles, egysegar)"));
        for (const Product &p : goods)
            in.add({literal(p.name), literal(p.code), literal(p.packing), number(p.price)});
        in.flush();
    }
    {
        Inserter in(db, QStringLiteral("INSERT INTO raktar (raktar)"));
        for (int i = 1; i <= warehouses; ++i)
            in.add({literal(QStringLiteral("Raktár %1").arg(i))});
        in.flush();
    }
}

} // namespace

QString fill(const QSqlDatabase &db, const Options &o)
{
    try {
        Random random(o.seed);
        const QList<Company> carriers = companies(random, o.carriers, true);
        const QList<Company> customers = companies(random, o.customers, false);
        const QList<Vehicle> fleet = vehicles(random, o.plates, o.carriers);
        const QList<Product> goods = products(random, o.products);
        // Universal time: no clock change makes a later ticket's text earlier.
        const QDateTime start(o.firstDay, QTime(6, 0), QTimeZone::utc());

        Transaction transaction(db);
        fillMasterTables(db, fleet, carriers, customers, goods, o.warehouses, start);
        const QStringList indexes = takeIndexes(db);
        dropDerived(db);

        qint64 serial = Sql::value(db, QStringLiteral("SELECT utolso FROM sorszamlalo WHERE id = 1")).toLongLong();
        serial = std::max(serial, Sql::value(db, QStringLiteral("SELECT COALESCE(MAX(sorszam), 0) FROM szallitasok"))
                                      .toLongLong());
        // Seconds since the start: each ticket a random step after the one before, so a day holds about perDay.
        qint64 clock = 0;
        const qint64 meanStep = std::max<qint64>(1, 86400 / std::max(1, o.perDay));
        Inserter in(db, QStringLiteral(
                            "INSERT INTO szallitasok (sorszam, rendszam, cegnev, cim1, cim2, cim3, ugyfelnev, "
                            "ugyfelcim1, ugyfelcim2, ugyfelcim3, termeknev, termekkod, kiszereles, irany, suly1, "
                            "suly2, bedatum, kidatum, nettosuly, levontsuly, elszamolt, tisztasag, viztartalom, "
                            "elvartviz, egysegar, osszeg, megjegyzes, ugyirat, raktar, felhasznalo, tablanev, "
                            "parcella, tablasorszam, ervenyes, modositott, kezi, jelolt, jel1, jel2, nyomtatva)"));
        for (qint64 i = 0; i < o.rows; ++i) {
            clock += 1 + random.below(2 * meanStep);
            const QDateTime out = start.addSecs(clock);
            const QDateTime in_ = out.addSecs(-random.between(6, 150) * 60);
            const Vehicle &v = fleet.at(random.skewed(fleet.size()));
            const Company &carrier = carriers.at(v.carrier);
            const Company &customer = customers.at(random.skewed(customers.size()));
            const Product &product = goods.at(random.skewed(goods.size()));
            const int irany = random.chance(0.3) ? 1 : 0;
            const qint64 load = random.between(100, 1400) * 20;
            const qint64 tare = v.tare + random.between(-10, 10) * 20;
            // Inbound vehicles come loaded and leave empty; outbound ones the other way round.
            const qint64 w1 = irany == 0 ? tare + load : tare;
            const qint64 w2 = irany == 0 ? tare : tare + load;
            const double purity = random.chance(0.8) ? 100.0 : double(random.between(900, 999)) / 10.0;
            const double moisture = product.grain ? double(random.between(100, 220)) / 10.0 : 0.0;
            const double expected = product.grain ? 14.0 : 0.0;
            const double price = random.chance(0.1) ? 0.0 : product.price;
            const Settlement::Result s = Settlement::compute({w1, w2, irany, purity, moisture, expected, price});

            const bool keyed = random.chance(0.015);
            const int keyedWhich = int(random.below(3)); // first weighing, second or both
            QString jel1 = keyed && keyedWhich != 1 ? QStringLiteral("K") : QString();
            const QString jel2 = keyed && keyedWhich != 0 ? QStringLiteral("K") : QString();
            if (jel1.isEmpty() && irany == 1 && random.chance(0.1))
                jel1 = QStringLiteral("T"); // an empty vehicle's weight recalled from the tare memory
            const bool harvest = irany == 0 && product.grain && random.chance(0.4);
            const QString remark = random.chance(0.15) ? QString::fromUtf8(random.pick(kRemarks)) : QString();
            const QString file = random.chance(0.25) ? QStringLiteral("UGY-%1/%2")
                                                           .arg(out.date().year())
                                                           .arg(random.between(1, 400), 4, 10, QLatin1Char('0'))
                                                     : QString();
            const QString user = random.chance(0.7) ? QString::fromUtf8(random.pick(kUsers)) : QString();
            const bool valid = !random.chance(0.02);
            const bool modified = random.chance(0.03);
            const qint64 printed = random.chance(0.9) ? 1 : random.between(2, 3);
            in.add({QString::number(++serial), literal(v.plate), literal(carrier.name), literal(carrier.cim1),
                    literal(carrier.cim2), literal(carrier.cim3), literal(customer.name), literal(customer.cim1),
                    literal(customer.cim2), literal(customer.cim3), literal(product.name), literal(product.code),
                    literal(product.packing), QString::number(irany), QString::number(w1), QString::number(w2),
                    literal(stamp(in_)), literal(stamp(out)), QString::number(s.net), QString::number(s.deducted),
                    QString::number(s.settled), number(purity), number(moisture), number(expected), number(price),
                    number(s.amount), literal(remark), literal(file),
                    literal(QStringLiteral("Raktár %1").arg(1 + random.skewed(o.warehouses))), literal(user),
                    literal(harvest ? QStringLiteral("Tábla %1").arg(random.between(1, 150)) : QString()),
                    literal(harvest ? QStringLiteral("P%1").arg(random.between(1, 500)) : QString()),
                    literal(harvest ? QString::number(random.between(1, 90)) : QString()),
                    valid ? QStringLiteral("TRUE") : QStringLiteral("FALSE"),
                    modified ? QStringLiteral("TRUE") : QStringLiteral("FALSE"),
                    keyed ? QStringLiteral("TRUE") : QStringLiteral("FALSE"), QStringLiteral("FALSE"), literal(jel1),
                    literal(jel2), QString::number(printed)});
        }
        in.flush();

        exec(db, QStringLiteral("UPDATE sorszamlalo SET utolso = %1 WHERE id = 1").arg(serial));
        for (const QString &sql : indexes)
            exec(db, sql);
        for (const QString &sql : Schema::derivedStatements(db))
            exec(db, sql);
        transaction.commit();
        if (Dialect::isServer(db))
            exec(db, QStringLiteral("ANALYZE"));
    } catch (const DatabaseError &e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

} // namespace TicketGenerator
