#pragma once

#include "UniqueFd.h"

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <thread>

namespace sorvik {

// Timeout values in milliseconds; 0xFFFFFFFF is the all-bits-set value of the comm timeout record.
struct TTimeoutValues
{
    std::uint32_t readInterval = 0xFFFFFFFFu;
    std::uint32_t readTotalMultiplier = 0;
    std::uint32_t readTotalConstant = 0;
    std::uint32_t writeTotalMultiplier = 100;
    std::uint32_t writeTotalConstant = 1000;
};

// One read or write on the port. It finishes at once when the port allows; otherwise a worker thread
// carries it on until it completes, times out or is aborted.
class TOperation
{
public:
    enum class Kind { Read, Write };

    // For a write, data holds the bytes; for a read, data's size is the number of bytes wanted.
    // consumed, when given, counts every byte a read takes from the port.
    TOperation(Kind kind, int fd, QByteArray data, const TTimeoutValues &timeouts,
               std::atomic<std::uint64_t> *consumed = nullptr);
    ~TOperation();
    TOperation(const TOperation &) = delete;
    TOperation &operator=(const TOperation &) = delete;

    // Does what can be done without waiting; true when the operation is finished.
    bool tryFinishAtOnce();
    // Leaves the rest to a worker thread.
    void continueInBackground();
    // Blocks until the worker is done (no-op when none runs).
    void wait();
    // Makes a running worker give up as soon as it can.
    void abort();

    int bytesTransferred() const { return m_done; }
    int error() const { return m_error; }
    const QByteArray &data() const { return m_data; }
    // Where a finished read's bytes go; set by the read call, used when the operation is waited for.
    QByteArray *target = nullptr;

private:
    void run();
    void runRead();
    void runWrite();
    bool readAvailable();

    Kind m_kind;
    int m_fd;
    QByteArray m_data;
    TTimeoutValues m_timeouts;
    int m_done = 0;
    int m_error = 0;
    std::atomic<std::uint64_t> *m_consumed;
    WakePipe m_abort;
    std::thread m_worker;
};

} // namespace sorvik
