#include "Pictures.h"

#include "Formats.h"
#include "Sql.h"
#include "Trail.h"

#include <QCryptographicHash>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>

#include <set>
#include <tuple>

namespace Pictures {

namespace {

// The columns a Picture is read from; the bytes only when asked for, so a list of pictures reads no JPEG.
QString selectColumns(bool withBytes)
{
    return QStringLiteral("id, sorszam, folyamatban_id, meres, kamera, kameranev, ido, hiany, hash, ") +
           (withBytes ? QStringLiteral("kep") : QStringLiteral("NULL"));
}

QList<Picture> select(const QSqlDatabase &db, const QString &keyColumn, qint64 key, bool withBytes)
{
    QSqlQuery q = Sql::run(db,
                           QStringLiteral("SELECT %1 FROM kepek WHERE %2 = :k ORDER BY meres, kamera")
                               .arg(selectColumns(withBytes), keyColumn),
                           {{":k", key}});
    QList<Picture> list;
    while (q.next()) {
        Picture p;
        p.id = q.value(0).toLongLong();
        p.serial = q.value(1).toLongLong();
        p.inProgressId = q.value(2).toLongLong();
        p.weighing = q.value(3).toInt();
        p.camera = q.value(4).toInt();
        p.name = q.value(5).toString();
        p.at = Formats::parseDbDateTime(q.value(6).toString());
        p.missing = q.value(7).toString();
        p.sha256 = q.value(8).toString();
        if (withBytes)
            p.jpeg = q.value(9).toByteArray();
        list.append(p);
    }
    Sql::checkRead(q, db);
    return list;
}

void insert(const QSqlDatabase &db, const QString &keyColumn, qint64 key, int weighing, const Shots &shots)
{
    QSet<int> seen;
    for (const Shot &shot : shots) {
        if (shot.camera < 1 || shot.camera > kCameras)
            throw DatabaseError(QStringLiteral("Hibás kameraszám: %1 (1 és %2 között lehet).").arg(shot.camera).arg(kCameras));
        if (seen.contains(shot.camera))
            throw DatabaseError(QStringLiteral("A(z) %1. kamera képe kétszer szerepel egy mérésnél.").arg(shot.camera));
        seen.insert(shot.camera);
        const bool present = !shot.jpeg.isEmpty();
        // Bytes go in exactly as the camera gave them; a missing picture keeps NULL and its reason.
        const QVariant bytes = present ? QVariant(shot.jpeg) : QVariant(QMetaType::fromType<QByteArray>());
        const QString missing = present ? QString()
                                        : (shot.missing.isEmpty() ? QString::fromUtf8(kNoReason) : shot.missing);
        Sql::run(db,
                 QStringLiteral("INSERT INTO kepek (%1, meres, kamera, kameranev, ido, kep, hiany, hash) "
                                "VALUES (:k, :m, :c, :n, :t, :kep, :h, :hash)")
                     .arg(keyColumn),
                 {{":k", key},
                  {":m", weighing},
                  {":c", shot.camera},
                  {":n", shot.name},
                  {":t", shot.at.isValid() ? QVariant(Formats::dbDateTime(shot.at)) : QVariant()},
                  {":kep", bytes},
                  {":h", missing},
                  {":hash", present ? sha256(shot.jpeg) : QString()}});
    }
}

using Key = std::tuple<qint64, int, int>; // serial, weighing, camera

QString finding(const Key &key, const QString &what)
{
    return QStringLiteral("A(z) %1 sorszámú jegy %2. mérésének %3. kamerás képe %4.")
        .arg(std::get<0>(key))
        .arg(std::get<1>(key))
        .arg(std::get<2>(key))
        .arg(what);
}

} // namespace

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

void replaceInProgress(const QSqlDatabase &db, qint64 inProgressId, const Shots &shots)
{
    removeInProgress(db, inProgressId);
    insert(db, QStringLiteral("folyamatban_id"), inProgressId, 1, shots);
}

void removeInProgress(const QSqlDatabase &db, qint64 inProgressId)
{
    Sql::run(db, QStringLiteral("DELETE FROM kepek WHERE folyamatban_id = :id"), {{":id", inProgressId}});
}

void finish(const QSqlDatabase &db, qint64 inProgressId, qint64 serial, const Shots &secondWeighing)
{
    Sql::run(db, QStringLiteral("UPDATE kepek SET sorszam = :s, folyamatban_id = NULL WHERE folyamatban_id = :id"),
             {{":s", serial}, {":id", inProgressId}});
    insert(db, QStringLiteral("sorszam"), serial, 2, secondWeighing);
    for (const Picture &p : ofSerial(db, serial, false))
        Trail::append(db, serial, QString::fromUtf8(Trail::kPicture), {}, trailText(p));
}

void storeAuto(const QSqlDatabase &db, qint64 autoSerial, const Shots &shots)
{
    insert(db, QStringLiteral("auto_sorszam"), autoSerial, 1, shots);
}

QList<Picture> ofSerial(const QSqlDatabase &db, qint64 serial, bool withBytes)
{
    return select(db, QStringLiteral("sorszam"), serial, withBytes);
}

QList<Picture> ofInProgress(const QSqlDatabase &db, qint64 inProgressId, bool withBytes)
{
    return select(db, QStringLiteral("folyamatban_id"), inProgressId, withBytes);
}

QList<Picture> ofAuto(const QSqlDatabase &db, qint64 autoSerial, bool withBytes)
{
    return select(db, QStringLiteral("auto_sorszam"), autoSerial, withBytes);
}

qint64 countOfSerial(const QSqlDatabase &db, qint64 serial)
{
    return Sql::value(db, QStringLiteral("SELECT count(*) FROM kepek WHERE sorszam = :s"), {{":s", serial}})
        .toLongLong();
}

qint64 countOfInProgress(const QSqlDatabase &db, qint64 inProgressId)
{
    return Sql::value(db, QStringLiteral("SELECT count(*) FROM kepek WHERE folyamatban_id = :id"),
                      {{":id", inProgressId}})
        .toLongLong();
}

QString trailText(const Picture &p)
{
    // The reason comes last, so whatever it holds cannot pass for another field.
    const QString head = QStringLiteral("meres=%1; kamera=%2; ").arg(p.weighing).arg(p.camera);
    return p.present() ? head + QStringLiteral("sha256=") + p.sha256 : head + QStringLiteral("hiany=") + p.missing;
}

QStringList verify(const QSqlDatabase &db)
{
    if (!db.tables().contains(QLatin1String(kTable), Qt::CaseInsensitive))
        return {};
    static const QRegularExpression trailed(QStringLiteral("\\Ameres=(\\d+); kamera=(\\d+); "),
                                            QRegularExpression::DotMatchesEverythingOption);
    // What the trail says each picture of a finished ticket was; the last row counts.
    QMap<Key, QString> expected;
    {
        QSqlQuery q = Sql::run(db, QStringLiteral("SELECT sorszam, uj FROM naplo WHERE esemeny = :e ORDER BY id"),
                               {{":e", QString::fromUtf8(Trail::kPicture)}});
        while (q.next()) {
            const QString text = q.value(1).toString();
            const QRegularExpressionMatch m = trailed.match(text);
            if (m.hasMatch())
                expected.insert({q.value(0).toLongLong(), m.captured(1).toInt(), m.captured(2).toInt()}, text);
        }
        Sql::checkRead(q, db);
    }
    // The stored pictures as they are now: the hash made again from the bytes, so neither a changed picture nor a
    // rewritten hash column passes.
    QMap<Key, QString> findings;
    std::set<Key> stored;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT sorszam, meres, kamera, kep, hiany FROM kepek WHERE sorszam IS NOT NULL")))
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    while (q.next()) {
        Picture p;
        p.serial = q.value(0).toLongLong();
        p.weighing = q.value(1).toInt();
        p.camera = q.value(2).toInt();
        if (q.isNull(3)) {
            p.missing = q.value(4).toString();
            // No bytes and no reason is no missing picture either: it cannot pass for any trailed text.
            if (p.missing.isEmpty())
                p.missing = QStringLiteral("?");
        } else {
            p.sha256 = sha256(q.value(3).toByteArray());
        }
        const Key key{p.serial, p.weighing, p.camera};
        stored.insert(key);
        const auto it = expected.constFind(key);
        if (it == expected.cend())
            findings.insert(key, finding(key, QStringLiteral("nem szerepel a naplóban")));
        else if (*it != trailText(p))
            findings.insert(key, finding(key, QStringLiteral("eltér a naplóban rögzítettől (megváltoztatták vagy "
                                                             "felcserélték)")));
    }
    Sql::checkRead(q, db);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!stored.count(it.key()))
            findings.insert(it.key(), finding(it.key(), QStringLiteral("hiányzik (a naplózás óta törölték vagy "
                                                                       "áthelyezték)")));
    }
    return findings.values();
}

} // namespace Pictures
