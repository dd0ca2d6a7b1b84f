#include "LinuxSerial.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <termios.h>

namespace sorvik {

int baudRateValue(TBaudRate rate)
{
    static constexpr int values[] = {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};
    if (rate < br110 || rate > br115200)
        return 0;
    return values[rate];
}

std::uint32_t TEvents::mask() const
{
    static constexpr std::uint32_t bits[] = {EV_RXCHAR, EV_TXEMPTY, EV_RXFLAG, EV_RING, EV_BREAK,
                                             EV_CTS,    EV_DSR,     EV_ERR,    EV_RLSD, EV_RX80FULL};
    std::uint32_t result = 0;
    for (int e = evRxChar; e <= evRx80Full; ++e)
        if (contains(static_cast<TEvent>(e)))
            result |= bits[e];
    return result;
}

namespace serial {

namespace {

speed_t standardSpeed(std::uint32_t baud)
{
    switch (baud) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

int applyLine(int fd, int line, bool on)
{
    const int err = setModemLine(fd, line, on);
    return meansNoModemLines(err) ? 0 : err;
}

} // namespace

int termiosFor(const TDcb &dcb, termios &tio, unsigned &customRate)
{
    tio = termios {};
    customRate = 0;
    tio.c_iflag = IGNBRK;
    if (dcb.fParity)
        tio.c_iflag |= INPCK;
    if (dcb.fOutX)
        tio.c_iflag |= IXON;
    if (dcb.fInX)
        tio.c_iflag |= IXOFF;
    tio.c_cflag = CREAD | CLOCAL | HUPCL;

    switch (dcb.ByteSize) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    case 8: tio.c_cflag |= CS8; break;
    default: return EINVAL;
    }

    switch (dcb.Parity) {
    case prNone: break;
    case prOdd: tio.c_cflag |= PARENB | PARODD; break;
    case prEven: tio.c_cflag |= PARENB; break;
#ifdef CMSPAR
    case prMark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case prSpace: tio.c_cflag |= PARENB | CMSPAR; break;
#endif
    default: return EINVAL;
    }

    // A UART sends 1.5 stop bits for CSTOPB with 5 data bits, 2 otherwise; the other pairings do not exist.
    switch (dcb.StopBits) {
    case sbOneStopBit: break;
    case sbOne5StopBits:
        if (dcb.ByteSize != 5)
            return EINVAL;
        tio.c_cflag |= CSTOPB;
        break;
    case sbTwoStopBits:
        if (dcb.ByteSize == 5)
            return EINVAL;
        tio.c_cflag |= CSTOPB;
        break;
    default: return EINVAL;
    }

    if (dcb.fOutxCtsFlow || dcb.fRtsControl == rtsHandshake)
        tio.c_cflag |= CRTSCTS;

    tio.c_cc[VSTART] = dcb.XonChar;
    tio.c_cc[VSTOP] = dcb.XoffChar;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;

    if (dcb.BaudRate == 0)
        return EINVAL;
    speed_t speed = standardSpeed(dcb.BaudRate);
    if (speed == B0) {
        customRate = dcb.BaudRate;
        speed = B9600;   // replaced by the exact rate once the rest is set
    }
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0)
        return errno;
    return 0;
}

int applyLineSettings(int fd, const TDcb &dcb)
{
    termios tio {};
    unsigned customRate = 0;
    if (const int err = termiosFor(dcb, tio, customRate))
        return err;
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        return errno;
    if (customRate != 0) {
        if (const int err = setCustomBaudRate(fd, customRate))
            return err;
    }

    // The control settings decide the lines' state from the moment they are applied.
    // Linux has no DTR handshake and no RTS toggle: those lines are simply raised.
    if (const int err = applyLine(fd, TIOCM_DTR, dcb.fDtrControl != dtrDisable))
        return err;
    return applyLine(fd, TIOCM_RTS, dcb.fRtsControl != rtsDisable);
}

int setModemLine(int fd, int line, bool on)
{
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) != 0)
        return errno;
    return 0;
}

bool meansNoModemLines(int error)
{
    return error == ENOTTY || error == EINVAL;
}

int inputQueueBytes(int fd)
{
    int count = 0;
    if (ioctl(fd, FIONREAD, &count) != 0)
        return -1;
    return count;
}

} // namespace serial
} // namespace sorvik
