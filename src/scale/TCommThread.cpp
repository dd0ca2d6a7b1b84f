#include "TCommThread.h"

#include <QMetaObject>
#include <QObject>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kModemLines = TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG;

// A blocked TIOCMIWAIT only returns on a line change or a signal; this signal, with a handler that does nothing and
// without SA_RESTART, is how stop() gets the modem thread out of it.
int wakeSignal()
{
    static const int signal = [] {
        const int s = SIGRTMIN + 5;
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(s, &action, nullptr);
        return s;
    }();
    return signal;
}

void makeRawLine(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return;
    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | PARENB | CLOCAL | CREAD;
    t.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
}

} // namespace

std::shared_ptr<TCommThread> TCommThread::open(const QString &path, QString *error)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    }
    if (!isatty(fd)) {
        ::close(fd);
        *error = QStringLiteral("not a serial device");
        return nullptr;
    }
    // No sharing: a second opener (other than root) is refused while we hold the line.
    ioctl(fd, TIOCEXCL);
    makeRawLine(fd);
    tcflush(fd, TCIOFLUSH);
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIC, &lines);

    int stopPipe[2];
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        ioctl(fd, TIOCNXCL);
        ::close(fd);
        return nullptr;
    }
    return std::shared_ptr<TCommThread>(new TCommThread(fd, stopPipe[0], stopPipe[1]));
}

TCommThread::TCommThread(int fd, int stopRead, int stopWrite)
    : m_fd(fd)
    , m_stopRead(stopRead)
    , m_stopWrite(stopWrite)
{
}

TCommThread::~TCommThread()
{
    if (m_reader.joinable() || m_modem.joinable())
        stop();
    ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    ::close(m_stopRead);
    ::close(m_stopWrite);
}

void TCommThread::start(QObject *context)
{
    m_context = context;
    int status = 0;
    const bool modemLines = ioctl(m_fd, TIOCMGET, &status) == 0;
    std::lock_guard lock(m_mutex);
    m_reader = std::thread([this] { readerLoop(); });
    ++m_running;
    if (modemLines) {
        wakeSignal();
        m_modem = std::thread([this] { modemLoop(); });
        ++m_running;
    }
}

void TCommThread::readerLoop()
{
    while (!m_gone) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stopRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0)
            break;
        if (fds[0].revents != 0) {
            CommEvent event;
            event.hangup = (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
            handOver(event);
        }
    }
    finishThread();
}

void TCommThread::modemLoop()
{
    int previous = 0;
    ioctl(m_fd, TIOCMGET, &previous);
    serial_icounter_struct previousCounts{};
    const bool counters = ioctl(m_fd, TIOCGICOUNT, &previousCounts) == 0;
    while (!m_stopRequested) {
        if (ioctl(m_fd, TIOCMIWAIT, kModemLines) != 0) {
            if (errno == EINTR)
                continue;
            break; // the driver cannot wait for modem lines
        }
        int now = 0;
        if (ioctl(m_fd, TIOCMGET, &now) != 0)
            break;
        int changed = (now ^ previous) & kModemLines;
        // A short pulse (a ring) can come and go before the lines are read; the counters still show it.
        serial_icounter_struct counts{};
        if (counters && ioctl(m_fd, TIOCGICOUNT, &counts) == 0) {
            if (counts.cts != previousCounts.cts)
                changed |= TIOCM_CTS;
            if (counts.dsr != previousCounts.dsr)
                changed |= TIOCM_DSR;
            if (counts.dcd != previousCounts.dcd)
                changed |= TIOCM_CD;
            if (counts.rng != previousCounts.rng)
                changed |= TIOCM_RNG;
            previousCounts = counts;
        }
        previous = now;
        if (changed != 0 && !m_stopRequested) {
            CommEvent event;
            event.kind = CommEvent::Modem;
            event.changedLines = changed;
            event.lineStatus = now;
            handOver(event);
        }
    }
    finishThread();
}

void TCommThread::finishThread()
{
    {
        std::lock_guard lock(m_mutex);
        --m_running;
    }
    m_cv.notify_all();
}

void TCommThread::handOver(const CommEvent &event)
{
    auto pending = std::make_shared<Pending>();
    pending->event = event;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_pending.push_back(pending);
    }
    QMetaObject::invokeMethod(
        m_context,
        [weak = weak_from_this()] {
            if (const auto self = weak.lock())
                self->serve();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return pending->done; });
}

void TCommThread::serve()
{
    const auto keepAlive = shared_from_this();
    for (;;) {
        std::shared_ptr<Pending> pending;
        {
            std::lock_guard lock(m_mutex);
            if (m_pending.empty())
                return;
            pending = m_pending.front();
            m_pending.erase(m_pending.begin());
            m_inService.push_back(pending);
        }
        if (m_dispatch) {
            const Dispatch dispatch = m_dispatch; // the dispatch may unbind us
            dispatch(pending->event);
        }
        {
            std::lock_guard lock(m_mutex);
            pending->done = true;
            std::erase(m_inService, pending);
        }
        m_cv.notify_all();
    }
}

void TCommThread::stop()
{
    m_dispatch = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping && !m_reader.joinable() && !m_modem.joinable())
            return;
        m_stopping = true;
        // Called from inside a dispatch: the thread waiting for that dispatch may go on and see the stop.
        for (const auto &pending : m_inService)
            pending->done = true;
    }
    m_stopRequested = true;
    m_cv.notify_all();
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(m_stopWrite, &byte, 1);

    for (;;) {
        std::vector<std::shared_ptr<Pending>> batch;
        {
            std::unique_lock lock(m_mutex);
            m_cv.wait_for(lock, std::chrono::milliseconds(10), [&] { return !m_pending.empty() || m_running == 0; });
            batch.swap(m_pending);
            for (const auto &pending : batch)
                pending->done = true;
            if (batch.empty() && m_running == 0)
                break;
        }
        m_cv.notify_all();
        if (m_modem.joinable())
            pthread_kill(m_modem.native_handle(), wakeSignal());
    }
    if (m_reader.joinable())
        m_reader.join();
    if (m_modem.joinable())
        m_modem.join();
}
