#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// One finished transport: a row of szallitasok, field for field.
struct Transport {
    qint64 sorszam = 0;
    QString rendszam;
    QString cegnev;
    QString cim1, cim2, cim3;
    QString ugyfelnev;
    QString ugyfelcim1, ugyfelcim2, ugyfelcim3;
    QString termeknev;
    QString termekkod;
    QString kiszereles;
    int irany = 0; // 0 inbound, 1 outbound
    qint64 suly1 = 0;
    qint64 suly2 = 0;
    QDateTime bedatum;
    QDateTime kidatum;
    qint64 nettosuly = 0;
    qint64 levontsuly = 0;
    qint64 elszamolt = 0;
    double tisztasag = 0;
    double viztartalom = 0;
    double elvartviz = 0;
    double egysegar = 0;
    double osszeg = 0;
    QString megjegyzes;
    QString ugyirat;
    QString raktar;
    QString felhasznalo;
    QString tablanev;
    QString parcella;
    QString tablasorszam;
    bool ervenyes = true;
    bool modositott = false;
    bool kezi = false;
    bool jelolt = false;
    // How each weighing was taken: "" the scale, "K" keyed in, "T" recalled from the tare memory.
    QString jel1, jel2;
    int nyomtatva = 0; // prints of the ticket so far

    // The row with the given serial number, or nothing. error (when given) receives a database error text.
    static std::optional<Transport> load(const QSqlDatabase &db, qint64 sorszam, QString *error = nullptr);
    // Appends the row as it stands (serial number included). Returns the error text, empty on success.
    QString insert(const QSqlDatabase &db) const;
    // Counts one more print of the ticket with the given serial number and returns the count with it (1 for the
    // first print); one statement, so two stations printing at once never both get the first. Nothing when the
    // row is gone or the database fails (error receives its text).
    static std::optional<int> countPrint(const QSqlDatabase &db, qint64 sorszam, QString *error = nullptr);
};
