#include "PortSettings.h"

#include "ComError.h"
#include "TComPort.h"
#include "TerminatorNotation.h"

#include <QTimer>

namespace PortSettings {

QStringList dataBitsItems()
{
    return {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")};
}

QStringList baudRateItems()
{
    return {QStringLiteral("300"),  QStringLiteral("600"),   QStringLiteral("1200"),  QStringLiteral("2400"),
            QStringLiteral("4800"), QStringLiteral("9600"),  QStringLiteral("19200"), QStringLiteral("38400")};
}

QStringList parityItems()
{
    return {QStringLiteral("NONE"), QStringLiteral("ODD"), QStringLiteral("EVEN"), QStringLiteral("MARK"),
            QStringLiteral("SPACE")};
}

QStringList stopBitsItems()
{
    return {QStringLiteral("ONE"), QStringLiteral("ONE5"), QStringLiteral("TWO")};
}

QStringList terminatorItems()
{
    return {QStringLiteral("#13#10")};
}

PortSettingsChoice current(const TComPort &port)
{
    PortSettingsChoice choice;
    choice.comport = port.Port();
    choice.databits = QString::number(port.DataBits());
    choice.baudrate = QString::number(port.Baud());
    choice.parity = TComPort::parityName(port.Parity()).mid(2);
    choice.stopbits = TComPort::stopBitsName(port.StopBits()).mid(2);
    choice.terminator = port.Terminator();
    return choice;
}

std::optional<PortSettingsRefusal> validate(const PortSettingsChoice &choice)
{
    if (choice.comport.isEmpty())
        return PortSettingsRefusal{QStringLiteral("Válasszon soros portot!"), QStringLiteral("comport")};
    if (!dataBitsItems().contains(choice.databits))
        return PortSettingsRefusal{QStringLiteral("Válassza ki az adatbitek számát!"), QStringLiteral("databits")};
    if (!baudRateItems().contains(choice.baudrate))
        return PortSettingsRefusal{QStringLiteral("Válassza ki a sebességet!"), QStringLiteral("baudrate")};
    if (!parityItems().contains(choice.parity))
        return PortSettingsRefusal{QStringLiteral("Válassza ki a paritást!"), QStringLiteral("parity")};
    if (!stopBitsItems().contains(choice.stopbits))
        return PortSettingsRefusal{QStringLiteral("Válassza ki a stop bitek számát!"), QStringLiteral("stopbits")};
    try {
        TerminatorNotation::parse(choice.terminator);
    } catch (const EComError &e) {
        return PortSettingsRefusal{e.message(), QStringLiteral("terminator")};
    }
    return std::nullopt;
}

std::optional<PortSettingsRefusal> apply(TComPort &port, const PortSettingsChoice &choice, int settleMs)
{
    if (auto refusal = validate(choice))
        return refusal;
    port.Close();
    port.setPort(choice.comport);
    port.setDataBits(quint8(choice.databits.toUInt()));
    port.setBaud(choice.baudrate.toUInt());
    port.setParity(TComPort::parityFromName(QStringLiteral("pt") + choice.parity));
    port.setStopBits(TComPort::stopBitsFromName(QStringLiteral("sb") + choice.stopbits));
    port.setTerminator(choice.terminator);
    // Give the driver a moment to let go of the line before it is opened again; nothing waits for it.
    QTimer::singleShot(settleMs, &port, [&port] { port.Open(); });
    return std::nullopt;
}

} // namespace PortSettings
