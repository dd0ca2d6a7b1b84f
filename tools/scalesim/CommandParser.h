#pragma once

#include <QByteArray>
#include <QList>

// Splits what the weighing program sends into commands: Disomat frames (STX .. ETX and the block check) and text
// commands ended by CR, LF or CR LF.
class CommandParser
{
public:
    enum class Kind { Poll, Zero, DisomatPoll, DisomatZero, Unknown };

    struct Command {
        QByteArray bytes; // as received, terminator included
        Kind kind = Kind::Unknown;
    };

    static constexpr qsizetype kBufferLimit = 4096;

    QList<Command> feed(const QByteArray &bytes);

    // Control bytes shown as <CR>, <STX> and so on, for the log.
    static QString printable(const QByteArray &bytes);
    static const char *kindName(Kind kind);

private:
    QByteArray m_buffer;
};
