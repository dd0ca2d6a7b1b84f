#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

// gatesim as a child process: its first line is its port, the following ones its coil log ("hh:mm:ss.zzz NAME
// on|off"); commands go to its standard input.
class GateSimProcess
{
public:
    explicit GateSimProcess(const QStringList &args = {})
    {
        m_process.start(QStringLiteral(GATESIM_PATH), args);
        if (!m_process.waitForStarted(kSlowMs))
            return;
        QDeadlineTimer deadline(kSlowMs);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            m_process.waitForReadyRead(100);
        m_port = QString::fromLocal8Bit(m_process.readLine()).trimmed().toInt();
    }
    ~GateSimProcess()
    {
        m_process.kill();
        m_process.waitForFinished(kSlowMs);
    }
    GateSimProcess(const GateSimProcess &) = delete;
    GateSimProcess &operator=(const GateSimProcess &) = delete;

    int port() const { return m_port; }
    void send(const QByteArray &line)
    {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(kSlowMs);
    }
    // The coil changes logged so far, without their times: "BeZold on".
    QStringList changes()
    {
        m_output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
        QStringList lines;
        for (const QString &line : m_output.split(u'\n', Qt::SkipEmptyParts))
            lines.append(line.section(u' ', 1));
        return lines;
    }

private:
    static constexpr int kSlowMs = 10000;

    QProcess m_process;
    int m_port = 0;
    QString m_output;
};
