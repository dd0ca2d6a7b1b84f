#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

// A raw pseudo-terminal for serial tests: the component opens the slave by its path, the test plays the
// indicator on the master. The test keeps a slave descriptor of its own so that the master never sees a hang-up
// while the component has the port closed.
class PtyPair
{
public:
    PtyPair()
    {
        int master = -1;
        int slave = -1;
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            return;
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        m_master = master;
        m_slave = slave;
        m_path = QString::fromLocal8Bit(ttyname(slave));
    }
    ~PtyPair()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    const QString &slavePath() const { return m_path; }
    int slaveFd() const { return m_slave; }

    // Lets go of both ends the test holds: the device disappears as an unplugged adapter does.
    void unplug()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
        m_slave = -1;
    }

    void write(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
            if (n > 0) {
                done += n;
            } else {
                QCoreApplication::processEvents();
                pollfd p{m_master, POLLOUT, 0};
                ::poll(&p, 1, 10);
            }
        }
    }

    // Bytes the component wrote, waiting up to timeoutMs for at least `want` of them.
    QByteArray read(qsizetype want, int timeoutMs = 5000)
    {
        QByteArray got;
        QDeadlineTimer deadline(timeoutMs);
        while (got.size() < want && !deadline.hasExpired()) {
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                got.append(buffer, n);
                continue;
            }
            QCoreApplication::processEvents();
            pollfd p{m_master, POLLIN, 0};
            ::poll(&p, 1, 10);
        }
        return got;
    }

    // Blocks, without running events, until at least `count` bytes wait in the line's input queue.
    bool waitQueued(int count, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (queuedForReader() < count) {
            if (deadline.hasExpired())
                return false;
            pollfd p{m_slave, POLLIN, 0};
            ::poll(&p, 1, 5);
        }
        return true;
    }

    // Bytes in the line's input queue that nobody has read yet.
    int queuedForReader() const
    {
        int n = 0;
        ioctl(m_slave, FIONREAD, &n);
        return n;
    }

private:
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};
