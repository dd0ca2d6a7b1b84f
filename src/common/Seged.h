#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

// Small routines every part of the program uses. None of them keeps state of its own; the ones that need a
// window are in WindowHelpers.h.

// Scrambles bytes into the 64-character alphabet "0-9A-Za-z+/" (not standard Base64: other order, no padding).
QString kodol(const QByteArray &bytes);
inline QString kodol(const QString &text) { return kodol(text.toUtf8()); }
// Reverses kodol; the first character outside the alphabet ends the text. Leftover bits are dropped.
QByteArray dekodol(const QString &text);

// Text form of a database value: empty for null, numbers with the program's decimal comma, date-times in the
// program's date format.
QString ertekszoveg(const QVariant &value);

QString gepnev();         // host name
QString felhasznalonev(); // login name of the process owner

// Appends the bare names of the plain files in folder (given with its trailing separator) that match the
// wildcard mask, in the order the file system returns them.
void fajllista(const QString &folder, const QString &mask, QStringList &list);
