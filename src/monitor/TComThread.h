#pragma once

#include "ComTypes.h"
#include "UniqueFd.h"

#include <QEvent>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QObject;

namespace sorvik {

class TComPort;

// State shared by the event thread and the hand-over events it posts; it outlives both, so an event that
// is served after the thread has gone touches nothing freed.
struct THandOver
{
    std::mutex mutex;
    std::condition_variable cv;
    bool stopping = false;
};

// One blocking hand-over of event bits to an object on the user-interface thread.
class THandOverEvent : public QEvent
{
public:
    struct Request
    {
        std::uint32_t bits = 0;
        bool taken = false;
        bool done = false;
        bool cancelled = false;
    };

    // The whole set of bits for the port itself.
    static QEvent::Type synchronizeType();
    // One bit at a time for the port's hidden window.
    static constexpr QEvent::Type windowType = QEvent::Type(QEvent::User + 9);

    THandOverEvent(QEvent::Type type, std::shared_ptr<THandOver> shared, std::shared_ptr<Request> request);

    std::uint32_t bits() const { return m_request->bits; }
    // Runs the handlers unless the thread has given the hand-over up; always releases the waiting thread.
    void serve(const std::function<void(std::uint32_t)> &handlers);

private:
    std::shared_ptr<THandOver> m_shared;
    std::shared_ptr<Request> m_request;
};

// Waits for port events with poll() on the port and a stop pipe and hands them over by the sync method.
class TComThread
{
public:
    struct Setup
    {
        int fd = -1;
        std::uint32_t mask = 0;
        TSyncMethod syncMethod = smSynchronize;
        int readBufSize = 1024;
        // Bytes taken from the port by reads so far.
        const std::atomic<std::uint64_t> *consumed = nullptr;
        QObject *synchronizeReceiver = nullptr;
        QObject *windowReceiver = nullptr;
        // Runs the port's handlers for a set of bits; used directly with smNone.
        std::function<void(std::uint32_t)> dispatch;
    };

    explicit TComThread(Setup setup);
    ~TComThread();
    TComThread(const TComThread &) = delete;
    TComThread &operator=(const TComThread &) = delete;

    // A write was issued: the thread watches the output queue for it running empty.
    void noteWrite();
    // The event bits of the last completed wait.
    std::uint32_t lastEvents() const { return m_lastEvents.load(); }
    std::thread::id id() const { return m_thread.get_id(); }

private:
    void run();
    void dispatch(std::uint32_t bits);
    void handOver(QObject *receiver, QEvent::Type type, std::uint32_t bits);

    Setup m_setup;
    WakePipe m_stop;
    std::shared_ptr<THandOver> m_handOver = std::make_shared<THandOver>();
    std::atomic<bool> m_stopping {false};
    std::atomic<bool> m_txPending {false};
    std::atomic<std::uint32_t> m_lastEvents {0};
    std::thread m_thread;
};

} // namespace sorvik
