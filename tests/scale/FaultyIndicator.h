#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

// A scale indicator on a thread of its own, so that nothing it does costs the thread that runs the link: a
// pseudo-terminal reachable under a stable link path, or a weight server on the loopback interface. It sends a
// plain frame every interval and can be unplugged and plugged in again, send garbage as fast as the line takes
// it, or send every frame one byte at a time.
class FaultyIndicator
{
public:
    enum class Line { Serial, Server };
    enum class Mode { Frames, Split, Garbage };

    // linkPath: where the serial device appears (ignored for a server).
    FaultyIndicator(Line line, QString linkPath, int intervalMs = 50)
        : m_line(line)
        , m_linkPath(std::move(linkPath))
        , m_intervalMs(intervalMs)
    {
        plugIn();
        m_thread = std::thread([this] { run(); });
    }
    ~FaultyIndicator()
    {
        m_stop = true;
        m_thread.join();
        unplug();
    }
    FaultyIndicator(const FaultyIndicator &) = delete;
    FaultyIndicator &operator=(const FaultyIndicator &) = delete;

    bool isValid() const { return m_line == Line::Serial ? m_master >= 0 : m_port != 0; }
    // What the link's settings name: the link path, or the server's TCP port.
    QString port() const { return m_line == Line::Serial ? m_linkPath : QString::number(m_port); }
    void setWeight(qint32 kilograms) { m_weight = kilograms; }
    void setMode(Mode mode) { m_mode = mode; }
    // Bytes of garbage written so far.
    qint64 garbageBytes() const { return m_garbage; }

    // The device disappears (its path with it) or the server goes away, connection and all.
    void unplug()
    {
        std::lock_guard lock(m_mutex);
        closeFd(m_master);
        closeFd(m_slave);
        closeFd(m_client);
        closeFd(m_listener);
        if (m_line == Line::Serial)
            QFile::remove(m_linkPath);
    }
    // A new device under the same path, or the server back at the same port.
    void plugIn()
    {
        std::lock_guard lock(m_mutex);
        if (m_line == Line::Serial)
            openPty();
        else
            listen();
    }

    static QByteArray frame(qint32 kilograms)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%c %07d kg\r\n", kilograms < 0 ? '-' : '+', kilograms < 0 ? -kilograms : kilograms);
        return QByteArray(text);
    }

private:
    static void closeFd(int &fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    void openPty()
    {
        if (openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
            return;
        termios t{};
        tcgetattr(m_slave, &t);
        cfmakeraw(&t);
        tcsetattr(m_slave, TCSANOW, &t);
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
        QFile::remove(m_linkPath);
        QFile::link(QString::fromLocal8Bit(ttyname(m_slave)), m_linkPath);
    }

    void listen()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(m_port);
        if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
            || ::listen(m_listener, 4) != 0) {
            closeFd(m_listener);
            return;
        }
        socklen_t size = sizeof address;
        getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &size);
        m_port = ntohs(address.sin_port);
    }

    // The descriptor frames go to, -1 while there is none; m_mutex held.
    int line()
    {
        if (m_line == Line::Serial)
            return m_master;
        if (m_client < 0 && m_listener >= 0) {
            m_client = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            const int on = 1;
            if (m_client >= 0)
                setsockopt(m_client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        }
        return m_client;
    }

    // Writes what the line takes now; false when it has gone.
    bool put(const char *bytes, qsizetype size, qsizetype *done)
    {
        std::lock_guard lock(m_mutex);
        const int fd = line();
        if (fd < 0)
            return false;
        const ssize_t n = m_line == Line::Serial ? ::write(fd, bytes, size)
                                                 : ::send(fd, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            *done += n;
            return true;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return true;
        if (m_line == Line::Server)
            closeFd(m_client); // the link hung up; wait for its next connection
        return false;
    }

    static void pause(int ms)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

    // A frame the line does not take within the interval is dropped, as on a real cable nobody reads.
    void writeAll(const QByteArray &bytes)
    {
        qsizetype done = 0;
        for (int waited = 0; done < bytes.size() && !m_stop && waited <= m_intervalMs; ++waited) {
            if (!put(bytes.constData() + done, bytes.size() - done, &done))
                return;
            if (done < bytes.size())
                pause(1);
        }
    }

    // The byte has been read off the line (serial), or a moment has passed for it to travel alone (server).
    void waitTaken()
    {
        for (int i = 0; i < 100 && !m_stop; ++i) {
            int queued = 0;
            {
                std::lock_guard lock(m_mutex);
                if (m_line == Line::Server || m_slave < 0 || ioctl(m_slave, FIONREAD, &queued) != 0)
                    queued = 0;
            }
            if (queued == 0)
                break;
            pause(1);
        }
        if (m_line == Line::Server)
            pause(1);
    }

    void run()
    {
        // Random bytes, and every other block a long run without a line end; made once, so that sending them costs
        // the machine no more than the line itself.
        std::mt19937 random(20261209);
        QList<QByteArray> garbage(16, QByteArray(4096, '\0'));
        for (qsizetype i = 0; i < garbage.size(); ++i) {
            for (char &c : garbage[i]) {
                c = char(random());
                if (i % 2 == 1 && (c == '\r' || c == '\n'))
                    c = 'x';
            }
        }
        qsizetype next = 0;
        while (!m_stop) {
            switch (m_mode.load()) {
            case Mode::Frames:
                writeAll(frame(m_weight));
                pause(m_intervalMs);
                break;
            case Mode::Split: {
                const QByteArray whole = frame(m_weight);
                for (const char c : whole) {
                    writeAll(QByteArray(1, c));
                    waitTaken();
                }
                pause(m_intervalMs);
                break;
            }
            case Mode::Garbage: {
                const QByteArray &block = garbage[next];
                next = (next + 1) % garbage.size();
                qsizetype done = 0;
                while (done < block.size() && !m_stop && m_mode == Mode::Garbage) {
                    const qsizetype before = done;
                    if (!put(block.constData() + done, block.size() - done, &done)) {
                        pause(1);
                        break;
                    }
                    m_garbage += done - before;
                    if (done == before) {
                        // The line is full: wait until it takes more, as a sender at full speed does.
                        std::unique_lock lock(m_mutex);
                        const int fd = line();
                        lock.unlock();
                        pollfd p{fd, POLLOUT, 0};
                        if (fd >= 0)
                            ::poll(&p, 1, 5);
                    }
                }
                break;
            }
            }
            if (m_line == Line::Server) {
                std::lock_guard lock(m_mutex);
                line(); // accept a waiting connection even while nothing is sent
            }
        }
    }

    const Line m_line;
    const QString m_linkPath;
    const int m_intervalMs;
    std::mutex m_mutex;
    int m_master = -1;
    int m_slave = -1; // held so that the line stays usable while the link has its port closed
    int m_listener = -1;
    int m_client = -1;
    quint16 m_port = 0;
    std::atomic<qint32> m_weight{1111};
    std::atomic<Mode> m_mode{Mode::Frames};
    std::atomic<qint64> m_garbage{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
