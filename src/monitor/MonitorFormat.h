#pragma once

#include <QString>

#include <cstdint>
#include <span>

namespace sorvik {

enum class TDisplayMode { Decimal, Hexadecimal, Ascii };

// Decimal wins over hexadecimal, hexadecimal over ASCII, whatever else is ticked.
TDisplayMode displayModeFor(bool decimal, bool hexadecimal);

// Name of a control code 0..31 ("NUL" .. "US"); empty for any other code.
QString controlCodeName(int code);

// One burst as one line of text.
QString formatBurst(std::span<const std::int32_t> values, TDisplayMode mode);

} // namespace sorvik
