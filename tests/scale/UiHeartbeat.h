#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <functional>

// Runs the thread's event loop as the program does (QTest::qWait sleeps between its rounds, which would count as
// lateness) until the time is up or `done` says so.
inline void runEvents(int ms, const std::function<bool()> &done = {})
{
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(ms);
    QTimer check;
    if (done) {
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (done())
                loop.quit();
        });
        check.start(5);
    }
    loop.exec();
}

// A 10 ms timer on the link's thread: its worst lateness is the longest the thread was kept from its events. Each
// beat also notes how many received bytes wait for the rest of their frame.
class UiHeartbeat : public QObject
{
public:
    static constexpr int kBeatMs = 10;

    explicit UiHeartbeat(std::function<qsizetype()> buffered)
        : m_buffered(std::move(buffered))
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kBeatMs);
        connect(&m_timer, &QTimer::timeout, this, [this] { beat(); });
    }
    void start()
    {
        m_worst = 0;
        m_largest = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    void stop()
    {
        beat();
        m_timer.stop();
    }
    qint64 worstLateMs() const { return m_worst; }
    qsizetype largestBuffer() const { return m_largest; }

private:
    void beat()
    {
        const qint64 now = m_clock.elapsed();
        m_worst = std::max(m_worst, now - m_last - kBeatMs);
        m_last = now;
        m_largest = std::max(m_largest, m_buffered());
    }

    std::function<qsizetype()> m_buffered;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_worst = 0;
    qsizetype m_largest = 0;
};
