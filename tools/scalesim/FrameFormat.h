#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The frame shapes of the indicator makes the program reads.
namespace FrameFormat {

enum class Format { Plain, Micra, Bilanciai, Disomat, CsvStatus, CommandSet, StatusBytes };

std::optional<Format> parse(const QString &name);

// Plain: "+ 0012340 kg" CR LF. Micra: sign and seven digits written last-to-first, then CR LF. Bilanciai: status
// digit (3 negative, 0 otherwise) and six digits, CR LF. Disomat: the reply to its poll, STX "01#PC#SOG#", a blank,
// the six-character weight field, ETX and the block check.
// The families with a status say whether the load moves: CsvStatus "ST,GS,+0012340kg" ("US" moving, "OL" beyond
// the range), CommandSet "S S   12340 kg" ("S D" moving, "S +" / "S -"), StatusBytes STX, three status bytes, six
// weight and six tare digits, CR.
QByteArray frame(Format format, qint32 kilograms, bool moving = false);

} // namespace FrameFormat
