#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <utility>

// The append-only trail of changes to finished tickets, deletions of transports in progress, reprints, trust
// settings and gate commands given by hand (table naplo). Each row carries the SHA-256 of its own fields and of the
// previous row's hash, so a row changed, deleted or moved afterwards breaks the chain where it happened.
namespace Trail {

inline constexpr char kTable[] = "naplo";

// What a row records.
inline constexpr char kModification[] = "módosítás";
inline constexpr char kCancellation[] = "sztornó";
inline constexpr char kEdit[] = "szerkesztés";
inline constexpr char kInProgressDeletion[] = "folyamatban törlés";
inline constexpr char kInProgressSwap[] = "folyamatban irányváltás";
inline constexpr char kInProgressReweigh[] = "folyamatban újramérés";
inline constexpr char kReprint[] = "újranyomtatás";
inline constexpr char kSetting[] = "beállítás";
inline constexpr char kGate[] = "kapu";
// A picture of a weighing became part of a finished ticket (Pictures::trailText).
inline constexpr char kPicture[] = "kép";

struct Row {
    qint64 id = 0;
    QString ido, allomas, felhasznalo;
    qint64 sorszam = 0;
    QString esemeny, regi, uj, elozo, hash;
};

// Field names and values in the order they are shown.
using Values = QList<std::pair<QString, QString>>;
// "field=value; …" of every value.
QString describe(const Values &values);
// The old and new side of the values that differ between before and after (fields matched by name).
std::pair<QString, QString> changes(const Values &before, const Values &after);

// Appends a row inside the write transaction the caller has open, so the change and its row commit or roll back
// together; the chain's end is read under that transaction's lock. Throws DatabaseError.
void append(const QSqlDatabase &db, qint64 serial, const QString &what, const QString &before, const QString &after);

// A ticket was printed again; a transaction of its own. Throws DatabaseError.
void reprinted(const QSqlDatabase &db, qint64 serial);
// A trust setting changed from old to now; a transaction of its own. Throws DatabaseError.
void settingChanged(const QSqlDatabase &db, const QString &key, const QString &old, const QString &now);

// The operator commanded a gate point by hand: point is its Kelvo.ini key ("Sorompo", "BeZold"), state what it was
// told ("nyitás", "be", "ki"); the row's new side is "point=state". A transaction of its own. Throws DatabaseError.
void gateCommand(const QSqlDatabase &db, const QString &point, const QString &state);

// The hex SHA-256 of the row's fields (its own hash aside) and the previous row's hash.
QString hashOf(const Row &row);

struct Verdict {
    qint64 rows = 0;
    // The first row that does not match; 0 when the chain holds.
    qint64 brokenAt = 0;
    QString message;
    // Pictures of finished tickets that differ from their trail rows (Pictures::verify); the chain may hold.
    QStringList pictureFindings;
    bool ok() const { return brokenAt == 0 && pictureFindings.isEmpty(); }
};
// Walks the chain in id order, then checks the stored pictures against their rows: the message names every
// picture changed, swapped, deleted or never trailed. Throws DatabaseError.
Verdict verify(const QSqlDatabase &db);

// The rows of a serial number, oldest first. Throws DatabaseError.
QList<Row> ofSerial(const QSqlDatabase &db, qint64 serial);

} // namespace Trail
