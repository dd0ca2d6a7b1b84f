#pragma once

#include <QDateTime>
#include <QFuture>
#include <QString>

#include <functional>

// The unattended logger's rules: sampled once a second with the current weight and whether the scale has shown 0
// since the last stored weight, it counts down while a vehicle stands on the bridge above the minimum and then has
// the weight stored. It holds the texts the logging window shows. The countdown is measured against the clock it
// is given, so a late or missed sample never lengthens or shortens it. A store takes its time (it runs where the
// database is): the rules ask for it, wait for its outcome, and start no other meanwhile.
class AutoWeighing
{
public:
    // Milliseconds of a monotonic clock.
    using Clock = std::function<qint64()>;
    using WallClock = std::function<QDateTime()>;
    // Stores one weight with its time: the future finishes once it is stored, or with the exception that
    // stopped it.
    using Store = std::function<QFuture<void>(const QDateTime &at, qint64 weight)>;

    // Store: the countdown ran out; store pendingWeight() at pendingAt() and tell storeFinished the outcome.
    enum class Outcome { None, Store, Stored, StoreFailed };

    static constexpr qint64 kDefaultMinimum = 200;
    // The countdown with no duration chosen.
    static constexpr qint64 kDefaultCountdownMs = 5000;

    // The countdown of a duration index; kDefaultCountdownMs for none (-1) or one out of range.
    static qint64 countdownMs(int durationIndex);

    explicit AutoWeighing(Clock clock, WallClock wallClock = &QDateTime::currentDateTime);

    void setMinimum(qint64 minimum) { m_minimum = minimum; }
    void setDurationIndex(int index) { m_durationIndex = index; }

    // One sample: None, or Store when the vehicle has stood there for the whole countdown. A sample while a store
    // is on its way changes nothing.
    // mayStore false (the load is not at rest, or beyond the indicator's range, or the vehicle not wholly on the
    // bridge) holds a countdown that has run out until a sample may store; heldBy, when given, is shown meanwhile.
    Outcome sample(qint64 weight, bool zeroSeen, bool mayStore = true, const QString &heldBy = {});
    // The outcome of the store asked for (error empty: stored). Stored means the weight is in the database: the
    // caller clears its zero flag, so that the next vehicle needs a 0 reading first. On StoreFailed the flag
    // stays, and the vehicle still standing there is stored when another countdown has run out.
    Outcome storeFinished(const QString &error);

    bool storing() const { return m_storing; }
    const QDateTime &pendingAt() const { return m_pendingAt; }
    qint64 pendingWeight() const { return m_pendingWeight; }

    bool counting() const { return m_counting; }
    // Until the countdown runs out; 0 once it has (or when none runs).
    qint64 msLeft() const;

    const QString &status() const { return m_status; }
    const QString &lastSaved() const { return m_lastSaved; }
    // The text of the last failed store, empty after a store that worked.
    const QString &failure() const { return m_failure; }
    // What the status area shows: a failed store stays in sight above the state until a store works.
    QString shownStatus() const;

private:
    void stopCountdown() { m_counting = false; }

    Clock m_clock;
    WallClock m_wallClock;
    qint64 m_minimum = kDefaultMinimum;
    int m_durationIndex = -1;
    bool m_counting = false;
    bool m_storing = false;
    QDateTime m_pendingAt;
    qint64 m_pendingWeight = 0;
    qint64 m_startedAt = 0;
    qint64 m_lengthMs = kDefaultCountdownMs;
    QString m_status = QStringLiteral("...");
    QString m_lastSaved = QStringLiteral("-");
    QString m_failure;
};
