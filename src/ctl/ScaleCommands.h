#pragma once

#include <QStringList>
#include <QTextStream>

class QIODevice;
class PortDetector;

// Command-line faces of the scale link. Each returns the process exit code: 0 done, 2 bad arguments.

// decode [--micraorden] [--bilanciai] [--disomatb] [--terminator NOTATION]: cuts the input at the terminator
// (default #13#10) and prints one line per frame, the decoded weight or "ignored". Bytes after the last terminator
// make one more frame.
int runDecodeCommand(const QStringList &args, QIODevice &in, QTextStream &out, QTextStream &err);

// ports [--descriptions]: the detected serial ports, one per line.
int runPortsCommand(const QStringList &args, QTextStream &out, QTextStream &err);
int runPortsCommand(const QStringList &args, QTextStream &out, QTextStream &err, const PortDetector &detector);
