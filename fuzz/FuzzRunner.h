#pragma once

#include "FuzzTarget.h"

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

// Runs one target over generated inputs until the count or the time is reached. A watchdog thread aborts the
// program with the input printed when one input takes longer than the limit: a hang is a finding too.
class FuzzRunner
{
public:
    struct Figures {
        qint64 inputs = 0;
        double seconds = 0;
    };

    explicit FuzzRunner(std::chrono::milliseconds inputLimit = std::chrono::seconds(2));
    ~FuzzRunner();

    // iterations 0: no limit by count; seconds 0: no limit by time (one of them should be set).
    Figures run(const FuzzTarget &target, std::uint64_t seed, qint64 iterations, double seconds);
    // One input, as a finding printed it, run again.
    void replay(const FuzzTarget &target, const QByteArray &input);

    // The target and input now running, for the reports.
    static QString currentTarget();
    static QByteArray currentInput();

private:
    void runOne(const FuzzTarget &target, const QByteArray &input, const QString &folder);
    void watch();

    std::chrono::milliseconds m_limit;
    std::atomic<std::int64_t> m_startedAt{0}; // steady clock nanoseconds; 0 while no input runs
    std::atomic<bool> m_stop{false};
    std::thread m_watchdog;
};

// The input as hex, 32 bytes a line.
QByteArray hexDump(const QByteArray &input);
