#include "TOperation.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

namespace sorvik {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t allBits = 0xFFFFFFFFu;

// Milliseconds until the deadline, clipped for poll(); -1 without a deadline.
int msUntil(const std::optional<Clock::time_point> &deadline)
{
    if (!deadline)
        return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

std::optional<Clock::time_point> totalDeadline(std::uint32_t multiplier, std::uint32_t constant, int count)
{
    const std::uint64_t ms = std::uint64_t(multiplier) * std::uint64_t(count) + constant;
    if (ms == 0)
        return std::nullopt;
    return Clock::now() + std::chrono::milliseconds(ms);
}

int earliest(int a, int b)
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return std::min(a, b);
}

} // namespace

TOperation::TOperation(Kind kind, int fd, QByteArray data, const TTimeoutValues &timeouts,
                       std::atomic<std::uint64_t> *consumed)
    : m_kind(kind), m_fd(fd), m_data(std::move(data)), m_timeouts(timeouts), m_consumed(consumed)
{
}

TOperation::~TOperation()
{
    abort();
    wait();
}

void TOperation::abort()
{
    m_abort.wake();
}

void TOperation::wait()
{
    if (m_worker.joinable())
        m_worker.join();
}

bool TOperation::readAvailable()
{
    while (m_done < m_data.size()) {
        const ssize_t n = ::read(m_fd, m_data.data() + m_done, m_data.size() - m_done);
        if (n > 0) {
            m_done += int(n);
            if (m_consumed)
                *m_consumed += std::uint64_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            m_error = errno;
        return n == 0 || m_error != 0;   // end of input or failure ends the read
    }
    return true;
}

bool TOperation::tryFinishAtOnce()
{
    if (m_kind == Kind::Read) {
        const bool ended = readAvailable();
        if (ended || m_error)
            return true;
        const auto &t = m_timeouts;
        if (t.readInterval == allBits && t.readTotalMultiplier == 0 && t.readTotalConstant == 0)
            return true;   // return at once with what is queued
        if (t.readInterval == allBits && t.readTotalMultiplier == allBits && m_done > 0)
            return true;
        return false;
    }

    while (m_done < m_data.size()) {
        const ssize_t n = ::write(m_fd, m_data.constData() + m_done, m_data.size() - m_done);
        if (n >= 0) {
            m_done += int(n);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            m_error = errno;
        break;
    }
    if (m_error)
        return true;
    if (m_done < m_data.size())
        return false;
    // Written counts once the bytes have left the output queue, so closing the port right after cannot
    // discard them.
    int queued = 0;
    return ::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued == 0;
}

void TOperation::continueInBackground()
{
    m_worker = std::thread([this] { run(); });
}

void TOperation::run()
{
    if (m_kind == Kind::Read)
        runRead();
    else
        runWrite();
}

void TOperation::runRead()
{
    const auto &t = m_timeouts;
    std::optional<Clock::time_point> total;
    bool returnOnFirstByte = false;
    if (t.readInterval == allBits && t.readTotalMultiplier == allBits && t.readTotalConstant != 0
        && t.readTotalConstant != allBits) {
        returnOnFirstByte = true;
        total = Clock::now() + std::chrono::milliseconds(t.readTotalConstant);
    } else {
        total = totalDeadline(t.readTotalMultiplier, t.readTotalConstant, int(m_data.size()));
    }
    const bool useInterval = t.readInterval != 0 && t.readInterval != allBits;
    std::optional<Clock::time_point> intervalEnd;
    if (useInterval && m_done > 0)
        intervalEnd = Clock::now() + std::chrono::milliseconds(t.readInterval);

    while (m_done < m_data.size()) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_abort.readFd(), POLLIN, 0}};
        const int timeout = earliest(msUntil(total), msUntil(intervalEnd));
        const int r = ::poll(fds, 2, timeout);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            m_error = errno;
            return;
        }
        if (fds[1].revents) {
            m_error = ECANCELED;
            return;
        }
        if (r == 0)
            return;   // a timeout ends the read with what it has
        const int before = m_done;
        if (readAvailable() || m_error)
            return;
        if (m_done > before) {
            if (returnOnFirstByte)
                return;
            if (useInterval)
                intervalEnd = Clock::now() + std::chrono::milliseconds(t.readInterval);
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            m_error = EIO;
            return;
        }
    }
}

void TOperation::runWrite()
{
    const auto total = totalDeadline(m_timeouts.writeTotalMultiplier, m_timeouts.writeTotalConstant,
                                     int(m_data.size()));
    while (true) {
        const bool allWritten = m_done >= m_data.size();
        if (allWritten) {
            int queued = 0;
            if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued == 0)
                return;
        }
        // While draining there is no readiness to wait for, so the queue is sampled.
        pollfd fds[2] = {{m_fd, short(allWritten ? 0 : POLLOUT), 0}, {m_abort.readFd(), POLLIN, 0}};
        const int timeout = earliest(msUntil(total), allWritten ? 2 : -1);
        const int r = ::poll(fds, 2, timeout);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            m_error = errno;
            return;
        }
        if (fds[1].revents) {
            m_error = ECANCELED;
            return;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            if (!allWritten)
                m_error = EIO;
            return;
        }
        if (total && Clock::now() >= *total)
            return;   // a timeout ends the write with the count written so far
        if (allWritten)
            continue;
        const ssize_t n = ::write(m_fd, m_data.constData() + m_done, m_data.size() - m_done);
        if (n > 0)
            m_done += int(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            m_error = errno;
            return;
        }
    }
}

} // namespace sorvik
