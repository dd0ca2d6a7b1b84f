#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The cameras' pictures of the weighings (table kepek), kept as evidence with the transport they show: while it is
// in progress under its folyamatban row, once finished under its serial number, and for the unattended logger under
// its auto row. Every write runs inside the transaction of the weighing it belongs to, so a weighing and its
// pictures commit or roll back together. Functions throw DatabaseError.
namespace Pictures {

inline constexpr char kTable[] = "kepek";
inline constexpr int kCameras = 4;

// What a camera gave for one weighing: the JPEG bytes, or none and the reason why.
struct Shot {
    int camera = 0; // 1 to kCameras
    QString name;   // the camera's name in the settings
    QByteArray jpeg;
    QString missing; // why there are no bytes; ignored when there are
    QDateTime at;    // when it was taken (or tried)
};
using Shots = QList<Shot>;

// A stored picture.
struct Picture {
    qint64 id = 0;
    qint64 serial = 0;       // 0 while in progress
    qint64 inProgressId = 0; // 0 once finished
    int weighing = 0;        // 1 or 2
    int camera = 0;
    QString name;
    QDateTime at;
    QByteArray jpeg; // empty when missing, or when read without bytes
    QString missing;
    QString sha256; // hex; empty when missing
    bool present() const { return missing.isEmpty(); }
};

// The text a picture without bytes is missing for when the camera said nothing.
inline constexpr char kNoReason[] = "nincs kép";

// The hex SHA-256 of bytes.
QString sha256(const QByteArray &bytes);

// Stores the shots of the first weighing of the in-progress row, replacing whatever pictures the row had. Empty
// shots only remove them.
void replaceInProgress(const QSqlDatabase &db, qint64 inProgressId, const Shots &shots);
// Removes the pictures of an in-progress row.
void removeInProgress(const QSqlDatabase &db, qint64 inProgressId);
// Finishing: the first weighing's pictures move from the in-progress row to the serial, the second weighing's
// shots are stored under it, and each picture of the ticket gets its trail row (Trail::kPicture). A ticket without
// pictures adds nothing.
void finish(const QSqlDatabase &db, qint64 inProgressId, qint64 serial, const Shots &secondWeighing);
// The pictures of a row the unattended logger stored (auto.sorszam), as weighing 1.
void storeAuto(const QSqlDatabase &db, qint64 autoSerial, const Shots &shots);

// A ticket's pictures, both weighings and every camera, in weighing and camera order; withBytes false reads
// everything but the JPEG bytes.
QList<Picture> ofSerial(const QSqlDatabase &db, qint64 serial, bool withBytes = true);
QList<Picture> ofInProgress(const QSqlDatabase &db, qint64 inProgressId, bool withBytes = true);
QList<Picture> ofAuto(const QSqlDatabase &db, qint64 autoSerial, bool withBytes = true);
// How many pictures (present or missing) a ticket or an in-progress row has, without reading any.
qint64 countOfSerial(const QSqlDatabase &db, qint64 serial);
qint64 countOfInProgress(const QSqlDatabase &db, qint64 inProgressId);

// The trail row's text of a finished ticket's picture ("meres=1; kamera=2; sha256=…" or "…; hiany=reason").
QString trailText(const Picture &picture);
// The pictures of finished tickets against their trail rows (rows of Trail::kPicture): each finding says which
// serial, weighing and camera, in the order of those. Empty when every picture is as trailed.
QStringList verify(const QSqlDatabase &db);

} // namespace Pictures
