#pragma once

#include "AutoWeighing.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <climits>

// The logger at work: a sample of the scale every second, and one more the moment a countdown runs out, so that a
// weight is stored when its time is up rather than at the next second. Runs only between start() and stop(). A
// weight is told stored only once its store has finished, and the zero flag is cleared only then.
class AutoWeighingRun : public QObject
{
    Q_OBJECT

public:
    static constexpr int kTickMs = 1000;

    // What the logger reads from the scale link, and how it clears the zero flag after a stored weight.
    struct Scale {
        std::function<qint64()> weight;
        std::function<bool()> zeroSeen;
        std::function<void()> clearZero;
        // Whether the scale lets the weight go now; none: always.
        std::function<bool()> mayStore = {};
        // Why the vehicle may not be weighed where it stands (shown while its weight waits); empty when it may.
        // None: always.
        std::function<QString()> position = {};
    };
    // How soon a countdown that ran out while the weight could not be stored looks again.
    static constexpr int kHeldRecheckMs = 200;

    // clock: milliseconds of a monotonic clock; none: the run's own.
    AutoWeighingRun(Scale scale, AutoWeighing::Store store, QObject *parent = nullptr, AutoWeighing::Clock clock = {});

    AutoWeighing &rules() { return m_rules; }
    const AutoWeighing &rules() const { return m_rules; }

    void start();
    void stop();
    bool running() const { return m_tick.isActive(); }
    bool countdownRunning() const { return m_deadline.isActive(); }
    // One sample now; the timers call it.
    void sampleNow();

signals:
    // The status or the last-saved text may have changed.
    void changed();
    void stored(const QDateTime &at, qint64 weight);
    void storeFailed(const QString &text);

private:
    void startStore();
    void finishStore(const QString &error);

    Scale m_scale;
    AutoWeighing::Store m_store;
    QElapsedTimer m_elapsed;
    AutoWeighing m_rules;
    QTimer m_tick;
    QTimer m_deadline;
};
