#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace sorvik {

// Ordinal order matters: the monitor's radio groups and speed list use the item index as the value.
enum TBaudRate : int {
    br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400, br56000, br57600, br115200
};
enum TPortType : int { COM1, COM2, COM3, COM4, COM5, COM6, COM7, COM8 };
enum TStopBits : int { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TDataBits : int { dbFive, dbSix, dbSeven, dbEight };
enum TParityBits : int { prNone, prOdd, prEven, prMark, prSpace };
enum TDtrFlowControl : int { dtrDisable, dtrEnable, dtrHandshake };
enum TRtsFlowControl : int { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TEvent : int { evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full };
enum TSyncMethod : int { smSynchronize, smWindow, smNone };

// Event mask bits of the comm driver interface; the event thread reports in these units.
inline constexpr std::uint32_t EV_RXCHAR = 0x0001;
inline constexpr std::uint32_t EV_RXFLAG = 0x0002;
inline constexpr std::uint32_t EV_TXEMPTY = 0x0004;
inline constexpr std::uint32_t EV_CTS = 0x0008;
inline constexpr std::uint32_t EV_DSR = 0x0010;
inline constexpr std::uint32_t EV_RLSD = 0x0020;
inline constexpr std::uint32_t EV_BREAK = 0x0040;
inline constexpr std::uint32_t EV_ERR = 0x0080;
inline constexpr std::uint32_t EV_RING = 0x0100;
inline constexpr std::uint32_t EV_RX80FULL = 0x0400;

// Returns 0 for a value outside TBaudRate, which the line settings then refuse.
int baudRateValue(TBaudRate rate);

// A set of TEvent.
class TEvents
{
public:
    constexpr TEvents() = default;
    constexpr TEvents(std::initializer_list<TEvent> events)
    {
        for (TEvent e : events)
            m_bits |= 1u << e;
    }
    static constexpr TEvents all()
    {
        TEvents e;
        e.m_bits = (1u << (evRx80Full + 1)) - 1;
        return e;
    }
    constexpr bool contains(TEvent e) const { return (m_bits >> e) & 1u; }
    constexpr bool empty() const { return m_bits == 0; }
    constexpr void insert(TEvent e) { m_bits |= 1u << e; }
    constexpr void remove(TEvent e) { m_bits &= ~(1u << e); }
    constexpr bool operator==(const TEvents &) const = default;

    // The driver's event mask for this set.
    std::uint32_t mask() const;

private:
    std::uint32_t m_bits = 0;
};

class EComPort : public std::runtime_error
{
public:
    explicit EComPort(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    // Fixed text followed by the system error number in decimal.
    EComPort(const char *text, int errorNumber) : EComPort(QString::fromLatin1(text) + QString::number(errorNumber)) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

class EGenericAlg : public std::runtime_error
{
public:
    explicit EGenericAlg(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// The line-settings record handed to the port, built from the component's properties.
struct TDcb
{
    std::uint32_t DCBlength = 28;
    std::uint32_t BaudRate = 0;
    bool fBinary = false;
    bool fParity = false;
    bool fOutxCtsFlow = false;
    bool fOutxDsrFlow = false;
    int fDtrControl = 0;
    bool fDsrSensitivity = false;
    bool fTXContinueOnXoff = false;
    bool fOutX = false;
    bool fInX = false;
    bool fErrorChar = false;
    bool fNull = false;
    int fRtsControl = 0;
    bool fAbortOnError = false;
    int XonLim = 0;
    int XoffLim = 0;
    int ByteSize = 0;
    int Parity = 0;
    int StopBits = 0;
    std::uint8_t XonChar = 0;
    std::uint8_t XoffChar = 0;
    std::uint8_t ErrorChar = 0;
    std::uint8_t EofChar = 0;
    std::uint8_t EvtChar = 0;
};

} // namespace sorvik
