#include "TComThread.h"

#include "LinuxSerial.h"

#include <QCoreApplication>
#include <QObject>

#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>

namespace sorvik {

namespace {

// How often lines and queues are sampled when there is no readiness to wait for.
constexpr int samplePeriodMs = 5;

struct ModemSnapshot
{
    bool haveLevels = false;
    int levels = 0;
    bool haveCounts = false;
    serial_icounter_struct counts {};
};

ModemSnapshot readModem(int fd)
{
    ModemSnapshot s;
    s.haveLevels = ::ioctl(fd, TIOCMGET, &s.levels) == 0;
    s.haveCounts = ::ioctl(fd, TIOCGICOUNT, &s.counts) == 0;
    return s;
}

// Event bits for what changed between two samples. Counters catch pulses shorter than the sample period;
// levels serve drivers that keep no counters.
std::uint32_t modemChanges(const ModemSnapshot &before, const ModemSnapshot &now)
{
    std::uint32_t bits = 0;
    if (before.haveCounts && now.haveCounts) {
        const auto &a = before.counts;
        const auto &b = now.counts;
        if (a.cts != b.cts) bits |= EV_CTS;
        if (a.dsr != b.dsr) bits |= EV_DSR;
        if (a.dcd != b.dcd) bits |= EV_RLSD;
        if (a.rng != b.rng) bits |= EV_RING;
        if (a.brk != b.brk) bits |= EV_BREAK;
        if (a.frame != b.frame || a.overrun != b.overrun || a.parity != b.parity || a.buf_overrun != b.buf_overrun)
            bits |= EV_ERR;
    }
    if (before.haveLevels && now.haveLevels) {
        const int changed = before.levels ^ now.levels;
        if (changed & TIOCM_CTS) bits |= EV_CTS;
        if (changed & TIOCM_DSR) bits |= EV_DSR;
        if (changed & TIOCM_CAR) bits |= EV_RLSD;
        if (changed & TIOCM_RNG) bits |= EV_RING;
    }
    return bits;
}

} // namespace

QEvent::Type THandOverEvent::synchronizeType()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

THandOverEvent::THandOverEvent(QEvent::Type type, std::shared_ptr<THandOver> shared, std::shared_ptr<Request> request)
    : QEvent(type), m_shared(std::move(shared)), m_request(std::move(request))
{
}

void THandOverEvent::serve(const std::function<void(std::uint32_t)> &handlers)
{
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_request->cancelled)
            return;
        m_request->taken = true;
    }
    // The thread is released even when a handler throws on to the application's error handler.
    struct Release
    {
        THandOver &shared;
        Request &request;
        ~Release()
        {
            std::lock_guard lock(shared.mutex);
            request.done = true;
            shared.cv.notify_all();
        }
    } release {*m_shared, *m_request};
    handlers(m_request->bits);
}

TComThread::TComThread(Setup setup) : m_setup(std::move(setup))
{
    m_thread = std::thread([this] { run(); });
}

TComThread::~TComThread()
{
    {
        std::lock_guard lock(m_handOver->mutex);
        m_handOver->stopping = true;
        m_handOver->cv.notify_all();
    }
    m_stopping = true;
    m_stop.wake();
    if (m_thread.joinable())
        m_thread.join();
}

void TComThread::noteWrite()
{
    if (m_setup.mask & EV_TXEMPTY) {
        m_txPending = true;
        m_stop.wake();
    }
}

void TComThread::run()
{
    const int fd = m_setup.fd;
    const std::uint32_t mask = m_setup.mask;
    const bool wantRx = mask & (EV_RXCHAR | EV_RX80FULL);
    const bool wantModem = mask & (EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_BREAK | EV_ERR);
    const int fullMark = m_setup.readBufSize * 8 / 10;

    ModemSnapshot modem = readModem(fd);
    // A device without modem lines (a pseudo-terminal) answers neither call; nothing is sampled then.
    const bool sampleModem = wantModem && (modem.haveLevels || modem.haveCounts);
    // Input is new when more bytes have arrived in total (taken by reads plus still queued) than at the
    // last look; a queue that stays full while a handler keeps reading still reports its fresh bytes.
    auto arrivedSoFar = [&] {
        const std::uint64_t consumed = m_setup.consumed ? m_setup.consumed->load() : 0;   // before the queue
        return consumed + std::uint64_t(std::max(serial::inputQueueBytes(fd), 0));
    };
    // Input already queued when the thread starts counts as new, or a full queue would never be reported.
    std::uint64_t lastArrived = m_setup.consumed ? m_setup.consumed->load() : 0;
    int lastInput = 0;
    bool rxArmed = true;   // poll for input only while the queue was empty, else it reports the same data again
    bool hungUp = false;

    while (!m_stopping) {
        const bool sampling = sampleModem || m_txPending || (wantRx && !rxArmed) || hungUp;
        pollfd fds[2] = {{m_stop.readFd(), POLLIN, 0},
                         {(wantRx && rxArmed && !hungUp) ? fd : -1, POLLIN, 0}};
        const int r = ::poll(fds, 2, sampling ? samplePeriodMs : -1);
        if (m_stopping)
            break;
        if (r < 0 && errno != EINTR)
            break;
        if (fds[0].revents)
            m_stop.drain();
        if (fds[1].revents & (POLLHUP | POLLERR))
            hungUp = true;
        else if (hungUp) {
            pollfd probe {fd, POLLIN, 0};
            hungUp = ::poll(&probe, 1, 0) > 0 && (probe.revents & (POLLHUP | POLLERR));
        }
        if (fds[1].revents & POLLNVAL)
            break;

        std::uint32_t bits = 0;
        if (wantRx) {
            const std::uint64_t arrived = arrivedSoFar();
            if (arrived > lastArrived)
                bits |= EV_RXCHAR;
            lastArrived = arrived;
            const int queued = std::max(serial::inputQueueBytes(fd), 0);
            if (queued >= fullMark && lastInput < fullMark && queued > 0)
                bits |= EV_RX80FULL;
            lastInput = queued;
        }
        if (sampleModem) {
            const ModemSnapshot now = readModem(fd);
            bits |= modemChanges(modem, now);
            modem = now;
        }
        if (m_txPending) {
            int queued = 0;
            if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued == 0) {
                m_txPending = false;
                bits |= EV_TXEMPTY;
            }
        }

        bits &= mask;
        if (bits) {
            m_lastEvents = bits;
            dispatch(bits);
        }
        if (wantRx) {
            // lastArrived stays as detected: bytes that came in while the handlers ran are still new.
            lastInput = std::max(serial::inputQueueBytes(fd), 0);
            rxArmed = lastInput == 0;
        }
    }
    // Nothing queued may reach a later opening of the port.
    ::tcflush(fd, TCIOFLUSH);
}

void TComThread::dispatch(std::uint32_t bits)
{
    switch (m_setup.syncMethod) {
    case smSynchronize:
        handOver(m_setup.synchronizeReceiver, THandOverEvent::synchronizeType(), bits);
        break;
    case smWindow:
        for (std::uint32_t bit = 1; bit != 0 && bit <= bits; bit <<= 1)
            if ((bits & bit) && !m_stopping)
                handOver(m_setup.windowReceiver, THandOverEvent::windowType, bit);
        break;
    case smNone:
        m_setup.dispatch(bits);
        break;
    }
}

void TComThread::handOver(QObject *receiver, QEvent::Type type, std::uint32_t bits)
{
    if (!receiver)
        return;
    auto request = std::make_shared<THandOverEvent::Request>();
    request->bits = bits;
    QCoreApplication::postEvent(receiver, new THandOverEvent(type, m_handOver, request));
    std::unique_lock lock(m_handOver->mutex);
    m_handOver->cv.wait(lock, [&] { return request->done || m_handOver->stopping; });
    // A closing port gives up a hand-over that has not started; one already running simply finishes.
    if (!request->done)
        request->cancelled = true;
}

} // namespace sorvik
