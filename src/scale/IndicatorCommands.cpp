#include "IndicatorCommands.h"

namespace {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;

char blockCheck(QByteArrayView bytes)
{
    char bcc = 0;
    for (const char c : bytes)
        bcc = static_cast<char>(bcc ^ c);
    return bcc;
}

} // namespace

namespace IndicatorCommands {

QByteArray disomatFrame(const QByteArray &body)
{
    QByteArray frame;
    frame.reserve(body.size() + 3);
    frame.append(kStx).append(body).append(kEtx);
    frame.append(blockCheck(QByteArrayView(frame).sliced(1)));
    return frame;
}

bool disomatFrameValid(const QByteArray &frame)
{
    if (frame.size() < 3 || frame.front() != kStx || frame.at(frame.size() - 2) != kEtx)
        return false;
    return blockCheck(QByteArrayView(frame).sliced(1, frame.size() - 2)) == frame.back();
}

QByteArray disomatPoll()
{
    return disomatFrame(QByteArrayLiteral("01#PC#SOG__SOG#"));
}

QByteArray disomatZero()
{
    return disomatFrame(QByteArrayLiteral("01#AZ#"));
}

QByteArray generalPoll(const QString &command)
{
    return command.toLatin1() + QByteArrayLiteral("\r\n");
}

QByteArray pollFrame(bool disomat, const QString &command)
{
    return disomat ? disomatPoll() : generalPoll(command);
}

QByteArray zeroFrame(const QString &nullaz)
{
    if (nullaz == QLatin1String("sc"))
        return QByteArrayLiteral("SC\r");
    if (nullaz == QLatin1String("ms"))
        return QByteArrayLiteral("XA/NU\r\n");
    if (nullaz == QLatin1String("dis"))
        return disomatZero();
    return {};
}

} // namespace IndicatorCommands
