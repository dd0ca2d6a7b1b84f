#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

// A pseudo-terminal for serial tests: the program under test opens the slave by its path, the test
// plays the far end of the line on the master.
class PtyPair
{
public:
    PtyPair()
    {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        // Raw from the start, so nothing written before the port is configured gets echoed or translated.
        termios tio {};
        ::tcgetattr(slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
        ::close(slave);
        m_slaveName = QString::fromLocal8Bit(name);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { ::close(m_master); }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    const QString &slaveName() const { return m_slaveName; }
    int master() const { return m_master; }

    // Writes all bytes unless the far end stops taking them for ten seconds; the count written.
    qsizetype write(const QByteArray &bytes) const
    {
        qsizetype done = 0;
        QElapsedTimer idle;
        idle.start();
        while (done < bytes.size() && idle.elapsed() < 10000) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
            if (n > 0) {
                done += n;
                idle.restart();
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                break;
            } else {
                ::usleep(1000);
            }
        }
        return done;
    }

    // Reads until `want` bytes arrived or the time is up.
    QByteArray read(int want, int timeoutMs) const
    {
        QByteArray out;
        QElapsedTimer clock;
        clock.start();
        while (out.size() < want && clock.elapsed() < timeoutMs) {
            pollfd p {m_master, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
                char buf[4096];
                const ssize_t n = ::read(m_master, buf, sizeof buf);
                if (n > 0)
                    out.append(buf, n);
            }
        }
        return out;
    }

    termios attributes() const
    {
        termios tio {};
        ::tcgetattr(m_master, &tio);
        return tio;
    }

private:
    int m_master = -1;
    QString m_slaveName;
};
