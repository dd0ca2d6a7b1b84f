// Only the kernel's own termios definitions may be seen here; <termios.h> declares a conflicting struct.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace sorvik::serial {

int setCustomBaudRate(int fd, unsigned rate)
{
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return errno;
    tio.c_cflag &= ~CBAUD;
    tio.c_cflag |= BOTHER;
    tio.c_cflag &= ~(CBAUD << IBSHIFT);
    tio.c_cflag |= BOTHER << IBSHIFT;
    tio.c_ispeed = rate;
    tio.c_ospeed = rate;
    if (ioctl(fd, TCSETS2, &tio) != 0)
        return errno;
    return 0;
}

} // namespace sorvik::serial
