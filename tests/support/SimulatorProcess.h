#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

// scalesim as a child process; the first line it prints tells where to reach it.
class SimulatorProcess
{
public:
    SimulatorProcess(const QString &program, const QStringList &args)
    {
        m_process.start(program, args);
        if (!m_process.waitForStarted(5000))
            return;
        QDeadlineTimer deadline(10000);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            m_process.waitForReadyRead(100);
        m_firstLine = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~SimulatorProcess()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    const QString &firstLine() const { return m_firstLine; }

private:
    QProcess m_process;
    QString m_firstLine;
};
