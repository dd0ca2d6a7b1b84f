#include "PtyLine.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyLine::PtyLine(QObject *parent)
    : QObject(parent)
{
}

PtyLine::~PtyLine()
{
    delete m_notifier;
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    if (!m_linkPath.isEmpty())
        QFile::remove(m_linkPath);
}

bool PtyLine::open(const QString &linkPath, QString *error)
{
    if (openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // Raw from the start: no echo of our own frames back to us, no line editing.
    termios t{};
    tcgetattr(m_slave, &t);
    cfmakeraw(&t);
    tcsetattr(m_slave, TCSANOW, &t);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_devicePath = QString::fromLocal8Bit(ttyname(m_slave));
    if (!linkPath.isEmpty()) {
        QFile::remove(linkPath);
        if (!QFile::link(m_devicePath, linkPath)) {
            *error = QStringLiteral("cannot create the link %1").arg(linkPath);
            return false;
        }
        m_linkPath = linkPath;
    }
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyLine::readMaster);
    return true;
}

void PtyLine::send(const QByteArray &bytes)
{
    if (m_master < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(m_master, bytes.constData(), bytes.size());
}

void PtyLine::readMaster()
{
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n > 0)
        emit received(QByteArray(buffer, n));
}
