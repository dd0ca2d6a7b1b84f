#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

// scalesim as a child process; the first line it prints tells where to reach it (its device path or TCP port).
class SimulatorProcess
{
public:
    SimulatorProcess(const QString &program, const QStringList &args)
    {
        m_process.start(program, args);
        if (!m_process.waitForStarted(kSlowMs))
            return;
        QDeadlineTimer deadline(kSlowMs);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            m_process.waitForReadyRead(100);
        m_firstLine = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~SimulatorProcess() { stop(); }
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    // As an unplugged adapter: the device goes away at once.
    void stop()
    {
        m_process.kill();
        m_process.waitForFinished(kSlowMs);
    }
    const QString &firstLine() const { return m_firstLine; }
    // Everything it logged so far (the commands it received).
    QString log() { return m_log += QString::fromLocal8Bit(m_process.readAllStandardError()); }

private:
    static constexpr int kSlowMs = 10000; // a loaded machine may take its time

    QProcess m_process;
    QString m_firstLine;
    QString m_log;
};
