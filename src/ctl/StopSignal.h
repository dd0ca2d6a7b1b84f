#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT for the commands that run until stopped (auto-weigh, live, outbox --deliver, serve): while it
// lives, either signal only writes a byte to a pipe, and stopped() comes from the event loop, never inside other work.
class StopSignal : public QObject
{
    Q_OBJECT

public:
    // Throws Refused when the pipe cannot be made.
    StopSignal();
    ~StopSignal() override;

    // A signal has come (it stays so: every later wait ends at once).
    bool isStopped() const { return m_stopped; }

signals:
    void stopped();

private:
    bool m_stopped = false;
    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
};
