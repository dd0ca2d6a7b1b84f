#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QString>

// The program's own number and date formats: decimal comma, date separator ".", short date "yyyy.mm.dd". They
// are fixed for the whole process whatever the machine's regional settings are.
namespace Formats {

inline constexpr QChar kDecimalSeparator = u',';
inline constexpr char kDateFormat[] = "yyyy.MM.dd";
inline constexpr char kDateTimeFormat[] = "yyyy.MM.dd hh:mm:ss";

QString date(const QDate &d);
// Date-times as the database stores them ("YYYY-MM-DD HH:MM:SS"), so that they sort and compare in SQL.
QString dbDateTime(const QDateTime &dt);
// A day's first and last second as stored: the bounds of a period of whole days.
QString dbDayStart(const QDate &day);
QString dbDayEnd(const QDate &day);
QDateTime parseDbDateTime(const QString &text);
QString dateTime(const QDateTime &dt);
// A stored date-time that is a real date and time of day in exactly that form, read by position: no time zone is
// involved, so a time the clocks skip on the local calendar stays the time stored.
bool isStoredDateTime(QByteArrayView text);
// Lenient like a typed date: one to four digit year, one or two digit month and day, optional trailing ".".
QDate parseDate(const QString &text);

// Shortest text of the number with the decimal comma ("1,5", "100", "-0,25").
QString number(double value);
// The same appended to out as UTF-8; whole numbers and those of up to four decimals without a detour through text.
void appendNumber(QByteArray &out, double value);
// Reads "1,5" and "1.5" alike; *ok is false for anything that is not a number.
double parseNumber(const QString &text, bool *ok);

// Integer text as the settings file and typed fields take it: optional sign, decimal digits, or "0x"/"$" hex.
bool parseInteger(const QString &text, qint64 *value);

} // namespace Formats
