#pragma once

#include <QByteArray>
#include <QString>

// Command frames the program sends to the scale indicator.
namespace IndicatorCommands {

// STX, body, ETX and the block check character: the exclusive-or of every byte after STX up to and including ETX.
QByteArray disomatFrame(const QByteArray &body);
// The block check of a whole Disomat frame (STX .. ETX BCC) is right.
bool disomatFrameValid(const QByteArray &frame);

QByteArray disomatPoll(); // STX "01#PC#SOG__SOG#" ETX 0x32
QByteArray disomatZero(); // STX "01#AZ#" ETX 0x19

// The general poll: the configured command followed by CR LF.
QByteArray generalPoll(const QString &command);
QByteArray pollFrame(bool disomat, const QString &command);

// The frame for the "nullaz" setting: "sc", "ms" or "dis", compared exactly; anything else sends nothing (empty).
QByteArray zeroFrame(const QString &nullaz);

} // namespace IndicatorCommands
