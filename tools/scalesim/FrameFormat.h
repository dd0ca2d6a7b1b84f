#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The frame shapes of the indicator makes the program reads.
namespace FrameFormat {

enum class Format { Plain, Micra, Bilanciai, Disomat };

std::optional<Format> parse(const QString &name);

// Plain: "+ 0012340 kg" CR LF. Micra: sign and seven digits written last-to-first, then CR LF. Bilanciai: status
// digit (3 negative, 0 otherwise) and six digits, CR LF. Disomat: the reply to its poll, STX "01#PC#SOG#", a blank,
// the six-character weight field, ETX and the block check.
QByteArray frame(Format format, qint32 kilograms);

} // namespace FrameFormat
