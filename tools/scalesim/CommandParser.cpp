#include "CommandParser.h"

#include "IndicatorCommands.h"

#include <QString>

namespace {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;

} // namespace

QList<CommandParser::Command> CommandParser::feed(const QByteArray &bytes)
{
    m_buffer += bytes;
    QList<Command> commands;
    for (;;) {
        // An LF left over from a command already taken at its CR.
        while (!m_buffer.isEmpty() && m_buffer.front() == '\n')
            m_buffer.remove(0, 1);
        if (m_buffer.isEmpty())
            break;
        Command command;
        if (m_buffer.front() == kStx) {
            const qsizetype etx = m_buffer.indexOf(kEtx);
            if (etx < 0 || etx + 1 >= m_buffer.size())
                break;
            command.bytes = m_buffer.left(etx + 2);
            m_buffer.remove(0, etx + 2);
            if (command.bytes == IndicatorCommands::disomatPoll())
                command.kind = Kind::DisomatPoll;
            else if (command.bytes == IndicatorCommands::disomatZero())
                command.kind = Kind::DisomatZero;
        } else {
            qsizetype end = -1;
            for (qsizetype i = 0; i < m_buffer.size() && end < 0; ++i) {
                if (m_buffer[i] == '\r' || m_buffer[i] == '\n' || m_buffer[i] == kStx)
                    end = i;
            }
            if (end < 0)
                break;
            if (m_buffer[end] == kStx) { // noise before a frame
                command.bytes = m_buffer.left(end);
                m_buffer.remove(0, end);
                commands.append(command);
                continue;
            }
            qsizetype consumed = end + 1;
            if (m_buffer[end] == '\r' && consumed < m_buffer.size() && m_buffer[consumed] == '\n')
                ++consumed;
            command.bytes = m_buffer.left(consumed);
            const QByteArray text = m_buffer.left(end);
            m_buffer.remove(0, consumed);
            if (text == "SC" || text == "XA/NU")
                command.kind = Kind::Zero;
            else if (!text.isEmpty())
                command.kind = Kind::Poll;
        }
        commands.append(command);
    }
    if (m_buffer.size() > kBufferLimit)
        m_buffer.remove(0, m_buffer.size() - kBufferLimit);
    return commands;
}

QString CommandParser::printable(const QByteArray &bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto byte = static_cast<quint8>(c);
        switch (byte) {
        case 0x02: text += QStringLiteral("<STX>"); break;
        case 0x03: text += QStringLiteral("<ETX>"); break;
        case 0x0d: text += QStringLiteral("<CR>"); break;
        case 0x0a: text += QStringLiteral("<LF>"); break;
        default:
            if (byte < 0x20 || byte >= 0x7f)
                text += QStringLiteral("<%1>").arg(byte, 2, 16, QLatin1Char('0'));
            else
                text += QLatin1Char(c);
        }
    }
    return text;
}

const char *CommandParser::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Poll: return "poll";
    case Kind::Zero: return "zero";
    case Kind::DisomatPoll: return "disomat poll";
    case Kind::DisomatZero: return "disomat zero";
    case Kind::Unknown: break;
    }
    return "unknown";
}
