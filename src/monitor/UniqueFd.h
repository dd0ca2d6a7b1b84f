#pragma once

#include <unistd.h>

#include <utility>

namespace sorvik {

// Owns one file descriptor and closes it when dropped.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

// A non-blocking pipe used to wake a thread that sits in poll().
class WakePipe
{
public:
    WakePipe();
    int readFd() const { return m_read.get(); }
    void wake() const;
    void drain() const;

private:
    UniqueFd m_read;
    UniqueFd m_write;
};

} // namespace sorvik
