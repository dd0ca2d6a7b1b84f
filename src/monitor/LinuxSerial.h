#pragma once

#include "ComTypes.h"

struct termios;

namespace sorvik::serial {

// The termios state for a line-settings record, built from zero; 0 or an errno value. customRate is set
// for a baud rate without a Bxxx constant, which then has to be applied apart.
int termiosFor(const TDcb &dcb, termios &tio, unsigned &customRate);

// Builds the termios state of a port from zero out of the record and applies it; 0 or an errno value.
int applyLineSettings(int fd, const TDcb &dcb);

// Raises or clears one modem control line (TIOCM_DTR, TIOCM_RTS); 0 or an errno value.
int setModemLine(int fd, int line, bool on);

// A pseudo-terminal or other device without modem lines refuses the modem ioctls with one of these.
bool meansNoModemLines(int error);

// Bytes waiting in the input queue, or -1 with errno set.
int inputQueueBytes(int fd);

// Rates termios has no Bxxx constant for; implemented apart because the kernel's termios2 header
// cannot share a translation unit with <termios.h>.
int setCustomBaudRate(int fd, unsigned rate);

} // namespace sorvik::serial
