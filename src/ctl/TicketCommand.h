#pragma once

#include <QStringList>
#include <QTextStream>

// kelvoctl's ticket command: ticket SERIAL [--template NAME] [--home DIR]. Fills out.htm in the program folder
// (and out.txt and the hand-over script when the settings switch them on) without printing. Returns 0 on success,
// 1 with the program's message on out for a refusal, 2 with a usage text on err for wrong arguments.
int runTicketCommand(const QStringList &args, QTextStream &out, QTextStream &err);
