#include "TComPort.h"

#include "ComError.h"
#include "IniFile.h"
#include "PortNames.h"
#include "TCommThread.h"
#include "TerminatorNotation.h"

#include <array>
#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr std::array kParityNames{"ptNONE", "ptODD", "ptEVEN", "ptMARK", "ptSPACE"};
constexpr std::array kStopBitNames{"sbONE", "sbONE5", "sbTWO"};
// Queued commands beyond this are dropped; the program only ever sends a few short commands a second.
constexpr qsizetype kPendingOutputLimit = 64 * 1024;

speed_t speedConstant(quint32 baud)
{
    switch (baud) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 500000: return B500000;
    case 576000: return B576000;
    case 921600: return B921600;
    case 1000000: return B1000000;
    case 1152000: return B1152000;
    case 1500000: return B1500000;
    case 2000000: return B2000000;
    default: return B0;
    }
}

std::array<int, 5> errorCounts(int fd, bool *ok)
{
    serial_icounter_struct counts{};
    *ok = ioctl(fd, TIOCGICOUNT, &counts) == 0;
    return {counts.frame, counts.overrun, counts.parity, counts.brk, counts.buf_overrun};
}

} // namespace

TComPort::TComPort(QObject *owner, const QString &name)
    : QObject(owner)
{
    setObjectName(name);
}

TComPort::~TComPort()
{
    // No events from a component that is being destroyed: its owner may be half gone already.
    closePort(false);
}

QString TComPort::Terminator() const
{
    return TerminatorNotation::format(m_terminator);
}

void TComPort::setTerminator(const QString &notation)
{
    try {
        m_terminator = TerminatorNotation::parse(notation);
    } catch (const EComError &) {
        m_terminator = TerminatorNotation::kDefault;
        throw;
    }
}

QString TComPort::parityName(TParity parity)
{
    return parity >= 0 && parity < int(kParityNames.size()) ? QString::fromLatin1(kParityNames[parity]) : QString();
}

QString TComPort::stopBitsName(TStopBit stopBits)
{
    return stopBits >= 0 && stopBits < int(kStopBitNames.size()) ? QString::fromLatin1(kStopBitNames[stopBits])
                                                                   : QString();
}

TComPort::TParity TComPort::parityFromName(const QString &name)
{
    for (int i = 0; i < int(kParityNames.size()); ++i) {
        if (name.compare(QLatin1String(kParityNames[i]), Qt::CaseInsensitive) == 0)
            return TParity(i);
    }
    return TParity(-1);
}

TComPort::TStopBit TComPort::stopBitsFromName(const QString &name)
{
    for (int i = 0; i < int(kStopBitNames.size()); ++i) {
        if (name.compare(QLatin1String(kStopBitNames[i]), Qt::CaseInsensitive) == 0)
            return TStopBit(i);
    }
    return TStopBit(-1);
}

void TComPort::Open()
{
    if (m_connected)
        return;
    QString error;
    std::shared_ptr<TCommThread> thread = TCommThread::open(PortNames::devicePath(m_port), &error);
    if (!thread) {
        if (OnError)
            OnError(*this);
        return;
    }
    m_thread = std::move(thread);
    m_thread->bind([this](const CommEvent &event) { dispatch(event); });
    applyLineSettings(m_thread->fd());
    bool countersOk = false;
    m_errorCounts = errorCounts(m_thread->fd(), &countersOk);
    m_pendingOutput.clear();
    m_deviceLost = false;
    m_thread->start(this);
    m_connected = true;
    if (OnPortOpen)
        OnPortOpen(*this);
}

void TComPort::Close()
{
    closePort(true);
}

void TComPort::closePort(bool notify)
{
    if (!m_connected)
        return;
    m_connected = false;
    // Keep the opening alive until stop() returns: Close may be called from inside one of its dispatches.
    const std::shared_ptr<TCommThread> thread = std::move(m_thread);
    thread->stop();
    if (notify && OnPortClose)
        OnPortClose(*this);
}

void TComPort::applyLineSettings(int fd) const
{
    // Any value the line cannot take refuses the whole set: the port keeps the settings it was opened with.
    const speed_t speed = speedConstant(m_baud);
    if (speed == B0)
        return;
    tcflag_t size = 0;
    switch (m_dataBits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return;
    }
    tcflag_t parity = 0;
    switch (m_parity) {
    case ptNONE: parity = 0; break;
    case ptODD: parity = PARENB | PARODD; break;
    case ptEVEN: parity = PARENB; break;
    case ptMARK: parity = PARENB | PARODD | CMSPAR; break;
    case ptSPACE: parity = PARENB | CMSPAR; break;
    default: return;
    }
    tcflag_t stop = 0;
    switch (m_stopBits) {
    case sbONE: stop = 0; break;
    case sbONE5: // the UART gives 1.5 stop bits for five data bits when asked for two
    case sbTWO: stop = CSTOPB; break;
    default: return;
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return;
    // Binary line: no parity checking, no flow control, NUL bytes and error bytes passed through unchanged.
    t.c_iflag &= ~(INPCK | PARMRK | ISTRIP | IGNPAR | IGNBRK | BRKINT | IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= size | parity | stop | CLOCAL | CREAD;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    tcsetattr(fd, TCSANOW, &t);
}

bool TComPort::lineErrorsSinceLastLook()
{
    if (!m_thread)
        return false;
    bool ok = false;
    const std::array<int, 5> now = errorCounts(m_thread->fd(), &ok);
    if (!ok)
        return false;
    const bool changed = now != m_errorCounts;
    m_errorCounts = now;
    return changed;
}

void TComPort::dispatch(const CommEvent &event)
{
    const std::shared_ptr<TCommThread> thread = m_thread;
    if (!thread)
        return;
    if (event.kind == CommEvent::Modem) {
        statusNotification(event.changedLines, event.lineStatus, false);
        return;
    }
    const bool lineError = lineErrorsSinceLastLook();
    int queued = 0;
    if (ioctl(thread->fd(), FIONREAD, &queued) != 0)
        queued = 0;
    QByteArray data;
    if (queued > 0) {
        data.resize(queued);
        qsizetype got = 0;
        while (got < queued) {
            const ssize_t n = ::read(thread->fd(), data.data() + got, queued - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        data.truncate(got);
    }
    const bool gone = event.hangup && data.isEmpty();
    if (gone) {
        thread->markGone();
        m_deviceLost = true;
    }
    writePending();
    receiveNotification(data);
    if (m_thread == thread)
        statusNotification(0, 0, lineError || gone);
}

void TComPort::receiveNotification(const QByteArray &data)
{
    if (!m_connected || !ReceiveCallBack)
        return;
    if (m_receiveMode == rmRAW) {
        if (!data.isEmpty()) {
            const TReceiveProc callback = ReceiveCallBack;
            callback(data);
        }
        return;
    }
    m_lineBuffer.append(data);
    // Every complete line goes out, in order: an indicator that sends faster than we are notified must not fall
    // behind. A handler may close the port, drop itself or even run a nested event loop in which the port is
    // reopened and more data arrives; each line therefore leaves the buffer before its handler runs, and what is
    // left when delivery stops waits in the buffer.
    while (m_connected && ReceiveCallBack) {
        const qsizetype at = m_lineBuffer.indexOf(m_terminator);
        if (at < 0)
            break;
        const qsizetype end = at + m_terminator.size();
        const QByteArray line = m_lineBuffer.left(end);
        m_lineBuffer.remove(0, end);
        const TReceiveProc callback = ReceiveCallBack; // it may reassign itself
        callback(line);
    }
    if (m_lineBuffer.size() > kLineBufferLimit)
        m_lineBuffer.remove(0, m_lineBuffer.size() - kLineBufferLimit);
}

void TComPort::statusNotification(int changedLines, int lineStatus, bool lineError)
{
    if (!m_connected)
        return;
    if ((changedLines & TIOCM_CTS) && OnCTSChanged)
        OnCTSChanged((lineStatus & TIOCM_CTS) != 0);
    if ((changedLines & TIOCM_DSR) && OnDSRChanged)
        OnDSRChanged((lineStatus & TIOCM_DSR) != 0);
    if ((changedLines & TIOCM_CD) && OnRLSDChanged)
        OnRLSDChanged((lineStatus & TIOCM_CD) != 0);
    if ((changedLines & TIOCM_RNG) && OnRingChanged)
        OnRingChanged((lineStatus & TIOCM_RNG) != 0);
    if (lineError && OnError)
        OnError(*this);
}

void TComPort::SendString(const QByteArray &data)
{
    if (!m_connected)
        return;
    m_pendingOutput.append(data);
    if (m_pendingOutput.size() > kPendingOutputLimit)
        m_pendingOutput.remove(0, m_pendingOutput.size() - kPendingOutputLimit);
    writePending();
}

void TComPort::writePending()
{
    // Whatever the driver does not take now is tried again at the next send or delivery.
    while (m_thread && !m_pendingOutput.isEmpty()) {
        const ssize_t n = ::write(m_thread->fd(), m_pendingOutput.constData(), m_pendingOutput.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) {
            m_pendingOutput.clear(); // the line is dead; nothing would ever take these bytes
            return;
        }
        m_pendingOutput.remove(0, n);
    }
}

void TComPort::SetDTR(bool on)
{
    if (!m_connected)
        return;
    int bits = TIOCM_DTR;
    ioctl(m_thread->fd(), on ? TIOCMBIS : TIOCMBIC, &bits);
}

void TComPort::SetRTS(bool on)
{
    if (!m_connected)
        return;
    int bits = TIOCM_RTS;
    ioctl(m_thread->fd(), on ? TIOCMBIS : TIOCMBIC, &bits);
}

void TComPort::SaveSettings(IniFile *ini) const
{
    if (!ini)
        return;
    // A refused write is not reported: the settings stay in effect for this run.
    const QString section = Name();
    ini->writeString(section, QStringLiteral("Port"), m_port);
    ini->writeString(section, QStringLiteral("Terminator"), Terminator());
    ini->writeInteger(section, QStringLiteral("Baudrate"), m_baud);
    ini->writeInteger(section, QStringLiteral("Databits"), m_dataBits);
    ini->writeString(section, QStringLiteral("Parity"), parityName(m_parity));
    ini->writeString(section, QStringLiteral("Stopbits"), stopBitsName(m_stopBits));
}

void TComPort::LoadSettings(IniFile *ini, bool openAfterwards)
{
    if (!ini)
        return;
    Close();
    const QString section = Name();
    m_port = ini->readString(section, QStringLiteral("Port"), QStringLiteral("COM1"));
    try {
        setTerminator(ini->readString(section, QStringLiteral("Terminator"), QStringLiteral("#13#10")));
    } catch (const EComError &) {
        // A bad terminator ends the load here: the remaining keys keep their values, the port stays closed.
        return;
    }
    m_baud = quint32(ini->readInteger(section, QStringLiteral("Baudrate"), 2400));
    m_dataBits = quint8(ini->readInteger(section, QStringLiteral("Databits"), 8));
    m_parity = parityFromName(ini->readString(section, QStringLiteral("Parity"), QStringLiteral("ptNONE")));
    m_stopBits = stopBitsFromName(ini->readString(section, QStringLiteral("Stopbits"), QStringLiteral("sbONE")));
    SetRTS(false);
    SetDTR(false);
    if (openAfterwards)
        Open();
}
