#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QObject;

// What a waiting thread found, handed over to the user-interface thread.
struct CommEvent {
    enum Kind { Data, Modem };
    Kind kind = Data;
    bool hangup = false;  // Data: the driver also reported the line hung up or in error
    int changedLines = 0; // Modem: TIOCM_* bits that changed
    int lineStatus = 0;   // Modem: TIOCM_* bits after the change
};

// One opening of a serial device: the descriptor, the thread that waits for data on it and, where the driver
// reports modem-line changes, a second thread that waits for those. Neither thread touches component state: each
// event is handed to the user-interface thread and the thread stays blocked until it has been dispatched there.
class TCommThread : public std::enable_shared_from_this<TCommThread>
{
public:
    using Dispatch = std::function<void(const CommEvent &)>;

    // Opens the device exclusively as a raw line (9600 baud, 8 data bits, even parity, one stop bit), purges both
    // queues and clears DTR and RTS. Returns null with *error set when the device cannot be used.
    static std::shared_ptr<TCommThread> open(const QString &path, QString *error);
    ~TCommThread();

    TCommThread(const TCommThread &) = delete;
    TCommThread &operator=(const TCommThread &) = delete;

    int fd() const { return m_fd; }

    // User-interface thread only. Events are delivered as queued calls on context's thread.
    void bind(Dispatch dispatch) { m_dispatch = std::move(dispatch); }
    void start(QObject *context);
    // Unbinds, tells the threads to end and waits for them, serving (as no-ops) every hand-over meanwhile, also
    // the one being dispatched when stop is called from inside a dispatch.
    void stop();
    // The device is gone: the data thread stops waiting on it after the current hand-over.
    void markGone() { m_gone = true; }

private:
    struct Pending {
        CommEvent event;
        bool done = false;
    };

    TCommThread(int fd, int stopRead, int stopWrite);

    void readerLoop();
    void modemLoop();
    void handOver(const CommEvent &event);
    void serve();
    void finishThread();

    int m_fd = -1;
    int m_stopRead = -1;
    int m_stopWrite = -1;
    QObject *m_context = nullptr;
    Dispatch m_dispatch;

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::shared_ptr<Pending>> m_pending;
    std::vector<std::shared_ptr<Pending>> m_inService;
    int m_running = 0;
    bool m_stopping = false;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_gone{false};

    std::thread m_reader;
    std::thread m_modem;
};
