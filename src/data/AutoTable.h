#pragma once

#include "Pictures.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>

// Table auto: the weights the unattended logger stored, one row per vehicle.
namespace AutoTable {

struct Row {
    qint64 sorszam = 0;
    QDateTime datumido;
    qint64 suly = 0;
};

// Appends one weight; the database numbers the row. Throws DatabaseError.
void append(const QSqlDatabase &db, const QDateTime &datumido, qint64 suly);
// The same with the cameras' pictures of the vehicle (Pictures::ofAuto), all in one transaction; returns the
// row's number. Throws DatabaseError.
qint64 append(const QSqlDatabase &db, const QDateTime &datumido, qint64 suly, const Pictures::Shots &shots);

// The rows from the start of the first day to 23:59:59 of the last, in the order they were stored. Throws
// DatabaseError.
QList<Row> list(const QSqlDatabase &db, const QDate &from, const QDate &to);

// The list's columns and a row's texts as the window shows them and a CSV file holds them.
QStringList columnNames();
QStringList texts(const Row &row);

} // namespace AutoTable
