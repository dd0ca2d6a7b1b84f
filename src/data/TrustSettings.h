#pragma once

#include <QSqlDatabase>
#include <QStringList>

class Config;

// The settings an inspector looks at (how frames read, which weights may be taken, how long a stored tare holds).
// A change to them, made in the settings dialog or by editing Kelvo.ini, goes into the trail the next time the
// program looks: after the dialog's OK and at every start, per station, against the last value that station
// recorded.
namespace TrustSettings {

QStringList keys();

// Appends a trail row for each trust setting whose value differs from the one this station last recorded (the
// first time, every one). Returns how many rows were added. Throws DatabaseError.
int record(const QSqlDatabase &db, const Config &config);

} // namespace TrustSettings
