#include "TComPort.h"

#include "TComThread.h"
#include "LinuxSerial.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sorvik {

// Stands in for the hidden window of smWindow: one hand-over per event bit arrives here.
class TComWindow : public QObject
{
public:
    explicit TComWindow(TComPort &port) : QObject(&port), m_port(port) {}

protected:
    bool event(QEvent *e) override
    {
        if (e->type() != THandOverEvent::windowType)
            return QObject::event(e);
        static_cast<THandOverEvent *>(e)->serve([this](std::uint32_t bit) { m_port.dispatchEvents(bit); });
        return true;
    }

private:
    TComPort &m_port;
};

namespace {

template <typename T>
bool assignChanged(T &member, T value)
{
    if (member == value)
        return false;
    member = value;
    return true;
}

} // namespace

void TParity::SetBits(TParityBits value) { if (assignChanged(m_bits, value)) m_owner.ApplyDCB(); }
void TParity::SetCheck(bool value) { if (assignChanged(m_check, value)) m_owner.ApplyDCB(); }
void TParity::SetReplace(bool value) { if (assignChanged(m_replace, value)) m_owner.ApplyDCB(); }
void TParity::SetReplaceChar(std::uint8_t value) { if (assignChanged(m_replaceChar, value)) m_owner.ApplyDCB(); }

void TFlowControl::SetOutCtsFlow(bool value) { if (assignChanged(m_outCtsFlow, value)) m_owner.ApplyDCB(); }
void TFlowControl::SetOutDsrFlow(bool value) { if (assignChanged(m_outDsrFlow, value)) m_owner.ApplyDCB(); }
void TFlowControl::SetControlDtr(TDtrFlowControl value) { if (assignChanged(m_controlDtr, value)) m_owner.ApplyDCB(); }
void TFlowControl::SetControlRts(TRtsFlowControl value) { if (assignChanged(m_controlRts, value)) m_owner.ApplyDCB(); }
void TFlowControl::SetXonXoffOut(bool value) { if (assignChanged(m_xonXoffOut, value)) m_owner.ApplyDCB(); }
void TFlowControl::SetXonXoffIn(bool value) { if (assignChanged(m_xonXoffIn, value)) m_owner.ApplyDCB(); }

void TComTimeouts::SetReadInterval(int value) { m_readInterval = value; m_owner.ApplyTimeouts(); }
void TComTimeouts::SetReadTotalMultiplier(int value) { m_readTotalMultiplier = value; m_owner.ApplyTimeouts(); }
void TComTimeouts::SetReadTotalConstant(int value) { m_readTotalConstant = value; m_owner.ApplyTimeouts(); }
void TComTimeouts::SetWriteTotalMultiplier(int value) { m_writeTotalMultiplier = value; m_owner.ApplyTimeouts(); }
void TComTimeouts::SetWriteTotalConstant(int value) { m_writeTotalConstant = value; m_owner.ApplyTimeouts(); }

TTimeoutValues TComTimeouts::values() const
{
    // -1 travels as the all-bits-set value.
    return {std::uint32_t(m_readInterval), std::uint32_t(m_readTotalMultiplier), std::uint32_t(m_readTotalConstant),
            std::uint32_t(m_writeTotalMultiplier), std::uint32_t(m_writeTotalConstant)};
}

TComPort::TComPort(QObject *parent) : QObject(parent)
{
}

TComPort::~TComPort()
{
    Close();
}

void TComPort::SetBaudRate(TBaudRate value) { if (assignChanged(m_baudRate, value)) ApplyDCB(); }
void TComPort::SetStopBits(TStopBits value) { if (assignChanged(m_stopBits, value)) ApplyDCB(); }
void TComPort::SetDataBits(TDataBits value) { if (assignChanged(m_dataBits, value)) ApplyDCB(); }
void TComPort::SetDiscardNull(bool value) { if (assignChanged(m_discardNull, value)) ApplyDCB(); }
void TComPort::SetEventChar(std::uint8_t value) { if (assignChanged(m_eventChar, value)) ApplyDCB(); }

void TComPort::SetWriteBufSize(int value)
{
    m_writeBufSize = value;
    ApplyBuffers();
}

void TComPort::SetReadBufSize(int value)
{
    m_readBufSize = value;
    ApplyBuffers();
}

void TComPort::SetPort(TPortType value)
{
    if (!assignChanged(m_port, value) || !m_connected)
        return;
    Close();
    Open();
}

void TComPort::SetSyncMethod(TSyncMethod value)
{
    if (m_connected)
        throw EComPort(QStringLiteral("Cannot set SyncMethod while connected"));
    m_syncMethod = value;
}

QString TComPort::DevicePath(TPortType port) const
{
    if (port < COM1 || port > COM8)
        return {};
    if (!m_devicePaths[port].isEmpty())
        return m_devicePaths[port];
    return QStringLiteral("/dev/ttyS%1").arg(int(port));
}

void TComPort::SetDevicePath(TPortType port, const QString &path)
{
    if (port >= COM1 && port <= COM8)
        m_devicePaths[port] = path;
}

TDcb TComPort::BuildDCB() const
{
    TDcb dcb;   // from zero, never from the port's current state
    dcb.DCBlength = 28;
    dcb.BaudRate = std::uint32_t(baudRateValue(m_baudRate));
    dcb.fBinary = true;
    dcb.fNull = m_discardNull;
    dcb.fOutxCtsFlow = m_flowControl.OutCtsFlow();
    dcb.fOutxDsrFlow = m_flowControl.OutDsrFlow();
    dcb.fOutX = m_flowControl.XonXoffOut();
    dcb.fInX = m_flowControl.XonXoffIn();
    dcb.fDtrControl = m_flowControl.ControlDtr();
    dcb.fRtsControl = m_flowControl.ControlRts();
    dcb.fParity = m_parity.Check();
    dcb.fErrorChar = m_parity.Replace();
    if (m_parity.Replace())
        dcb.ErrorChar = m_parity.ReplaceChar();
    dcb.XonLim = m_readBufSize / 4;
    dcb.XoffLim = m_readBufSize / 4;
    dcb.ByteSize = m_dataBits + 5;
    dcb.Parity = m_parity.Bits();
    dcb.StopBits = m_stopBits;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    dcb.EvtChar = m_eventChar;
    dcb.EofChar = 0;
    return dcb;
}

void TComPort::ApplyDCB()
{
    if (!m_connected)
        return;
    if (const int err = serial::applyLineSettings(m_fd.get(), BuildDCB()))
        throw EComPort("Unable to set com state: ", err);
}

void TComPort::ApplyBuffers()
{
    if (!m_connected)
        return;
    // The kernel sizes its own queues; only sizes no queue can have are refused.
    if (m_readBufSize <= 0 || m_writeBufSize <= 0)
        throw EComPort("Unable to set com state: ", EINVAL);
}

void TComPort::ApplyTimeouts()
{
    // Reads and writes take the values when they start; there is no record to hand to the kernel.
}

bool TComPort::Open()
{
    Close();
    const QString path = DevicePath(m_port);
    if (path.isEmpty()) {
        m_connected = false;
        return false;
    }
    UniqueFd fd(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        m_connected = false;
        return false;
    }
    // No sharing: a port another program holds counts as busy. The lock works for root too, which
    // TIOCEXCL does not stop.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        m_connected = false;
        return false;
    }
    ::ioctl(fd.get(), TIOCEXCL);

    m_fd = std::move(fd);
    m_connected = true;
    try {
        ApplyBuffers();
        ApplyDCB();
        ApplyTimeouts();
    } catch (...) {
        ::ioctl(m_fd.get(), TIOCNXCL);
        m_fd.reset();
        m_connected = false;
        throw;
    }

    if (m_syncMethod == smWindow)
        m_window = new TComWindow(*this);
    if (!m_events.empty()) {
        TComThread::Setup setup;
        setup.fd = m_fd.get();
        setup.mask = m_events.mask();
        setup.syncMethod = m_syncMethod;
        setup.readBufSize = m_readBufSize;
        setup.consumed = &m_consumed;
        setup.synchronizeReceiver = this;
        setup.windowReceiver = m_window;
        setup.dispatch = [this](std::uint32_t bits) { dispatchEvents(bits); };
        m_thread = std::make_unique<TComThread>(std::move(setup));
    }
    if (OnOpen)
        OnOpen(this);
    return true;
}

void TComPort::Close()
{
    if (!m_connected)
        return;
    AbortAllAsync();
    m_thread.reset();
    // The exclusive flag would outlive this descriptor on a tty that stays allocated (a pseudo-terminal).
    ::ioctl(m_fd.get(), TIOCNXCL);
    m_fd.reset();
    m_connected = false;
    // Later, not now: Close may run inside a handler that this very object is delivering.
    if (m_window)
        std::exchange(m_window, nullptr)->deleteLater();
    if (OnClose)
        OnClose(this);
}

std::unique_ptr<TOperation> TComPort::finish(std::unique_ptr<TOperation> op, const char *failureText)
{
    if (op->error())
        throw EComPort(failureText, op->error());
    if (op->target) {
        const int n = op->bytesTransferred();
        if (n > 0)
            std::memcpy(op->target->data(), op->data().constData(), std::min<qsizetype>(n, op->target->size()));
    }
    return op;
}

int TComPort::WriteString(const QByteArray &bytes, bool wait)
{
    auto op = std::make_unique<TOperation>(TOperation::Kind::Write, m_fd.get(), bytes, m_timeouts.values());
    TOperation &current = *op;
    m_stack.push(std::move(op));
    const bool finished = current.tryFinishAtOnce();
    if (m_thread && current.bytesTransferred() > 0)
        m_thread->noteWrite();
    if (!finished) {
        current.continueInBackground();
        return wait ? WaitForLastAsync() : -1;
    }
    return finish(m_stack.pop(), "Operation failed: ")->bytesTransferred();
}

int TComPort::ReadString(QByteArray &str, int count, bool wait)
{
    count = std::max(count, 0);
    str.resize(count);
    auto op = std::make_unique<TOperation>(TOperation::Kind::Read, m_fd.get(), QByteArray(count, '\0'),
                                           m_timeouts.values(), &m_consumed);
    op->target = &str;
    TOperation &current = *op;
    m_stack.push(std::move(op));
    if (!current.tryFinishAtOnce()) {
        current.continueInBackground();
        return wait ? WaitForLastAsync() : -1;
    }
    return finish(m_stack.pop(), "Operation aborted: ")->bytesTransferred();
}

int TComPort::WaitForLastAsync()
{
    if (m_stack.empty())
        return -2;
    auto op = m_stack.pop();
    op->wait();
    return finish(std::move(op), "Operation failed: ")->bytesTransferred();
}

void TComPort::AbortAllAsync()
{
    if (m_stack.empty())
        return;
    while (!m_stack.empty()) {
        auto op = m_stack.pop();
        op->abort();
    }
}

int TComPort::InputCount()
{
    const int count = serial::inputQueueBytes(m_fd.get());
    if (count < 0)
        throw EComPort("Unable to read com status: ", errno);
    return count;
}

bool TComPort::CarrierDetect()
{
    int status = 0;
    if (::ioctl(m_fd.get(), TIOCMGET, &status) != 0) {
        const int err = errno;
        if (m_fd.valid() && serial::meansNoModemLines(err))
            return false;   // no modem lines, so no carrier
        throw EComPort("Unable to read com status: ", err);
    }
    return status & TIOCM_CAR;
}

void TComPort::SetDTR(bool on)
{
    // A refused DTR change is ignored.
    serial::setModemLine(m_fd.get(), TIOCM_DTR, on);
}

void TComPort::SetRTS(bool on)
{
    const int err = serial::setModemLine(m_fd.get(), TIOCM_RTS, on);
    if (err && !(m_fd.valid() && serial::meansNoModemLines(err)))
        throw EComPort("Unable to set signal: ", err);
}

bool TComPort::event(QEvent *e)
{
    if (e->type() != THandOverEvent::synchronizeType())
        return QObject::event(e);
    static_cast<THandOverEvent *>(e)->serve([this](std::uint32_t bits) { dispatchEvents(bits); });
    return true;
}

void TComPort::dispatchEvents(std::uint32_t bits)
{
    if ((bits & EV_RXCHAR) && OnRxChar)
        OnRxChar(this, InputCount());
    if ((bits & EV_TXEMPTY) && OnTxEmpty)
        OnTxEmpty(this);
    if ((bits & EV_BREAK) && OnBreak)
        OnBreak(this);
    if ((bits & EV_RING) && OnRing)
        OnRing(this);
    if ((bits & EV_CTS) && OnCTS)
        OnCTS(this);
    if ((bits & EV_DSR) && OnDSR)
        OnDSR(this);
    if ((bits & EV_RXFLAG) && OnRxFlag)
        OnRxFlag(this);
    if ((bits & EV_RLSD) && OnRLSD)
        OnRLSD(this);
    if ((bits & EV_ERR) && OnError)
        OnError(this);
    if ((bits & EV_RX80FULL) && OnRx80Full)
        OnRx80Full(this);
}

} // namespace sorvik
