#include "UniqueFd.h"

#include <fcntl.h>

#include <cerrno>
#include <system_error>

namespace sorvik {

WakePipe::WakePipe()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    m_read.reset(fds[0]);
    m_write.reset(fds[1]);
}

void WakePipe::wake() const
{
    const char byte = 1;
    // A full pipe already wakes the reader, so a failed write loses nothing.
    [[maybe_unused]] const auto written = ::write(m_write.get(), &byte, 1);
}

void WakePipe::drain() const
{
    char buffer[64];
    while (::read(m_read.get(), buffer, sizeof buffer) > 0) {
    }
}

} // namespace sorvik
