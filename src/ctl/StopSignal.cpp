#include "StopSignal.h"

#include "Invocation.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_signalPipe = -1;
struct sigaction g_oldTerm {};
struct sigaction g_oldInt {};

extern "C" void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe, &byte, 1);
}

} // namespace

StopSignal::StopSignal()
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw Refused(QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    g_signalPipe = m_pipe[1];
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &g_oldTerm);
    ::sigaction(SIGINT, &action, &g_oldInt);
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
        }
        m_stopped = true;
        emit stopped();
    });
}

StopSignal::~StopSignal()
{
    delete m_notifier;
    ::sigaction(SIGTERM, &g_oldTerm, nullptr);
    ::sigaction(SIGINT, &g_oldInt, nullptr);
    g_signalPipe = -1;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}
