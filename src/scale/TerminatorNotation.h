#pragma once

#include <QByteArray>
#include <QString>

// The line terminator as users type it into Kelvo.ini and the port dialog: every byte as "#" and its decimal code,
// "#13#10" for CR LF.
namespace TerminatorNotation {

inline const QByteArray kDefault = QByteArrayLiteral("\r\n");

QString illegalTerminatorMessage();

// The first character is dropped whatever it is (so "13#10" reads as 3, 10); each part between "#" is a decimal
// number whose low eight bits make one byte; nothing at all gives CR LF. A part that is not a number throws
// EComError with illegalTerminatorMessage().
QByteArray parse(const QString &notation);

QString format(const QByteArray &terminator);

} // namespace TerminatorNotation
