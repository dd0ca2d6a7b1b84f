#include "AutoWeighing.h"

#include "Formats.h"

#include <algorithm>
#include <array>

namespace {

// The countdowns of the duration box's entries: 15 s, 30 s, 1 min, 2 min.
constexpr std::array<qint64, 4> kDurationsMs{15000, 30000, 60000, 120000};

constexpr char kNeedsZero[] = "Új mérés indításához nulla állapot szükséges !";
constexpr char kDriveOn[] = "A mérés indításához hajtson a mérlegre !\n(min. %1kg tömeg szükséges)";
constexpr char kStarted[] = "Mérés elindítva, várjon...";
constexpr char kStored[] = "Tömegérték mentve.";
constexpr char kLastSaved[] = "Tömeg: %1 kg,  Időpont: %2.";
constexpr char kStoreFailed[] = "A tömegérték mentése nem sikerült: %1";

} // namespace

qint64 AutoWeighing::countdownMs(int durationIndex)
{
    if (durationIndex < 0 || durationIndex >= int(kDurationsMs.size()))
        return kDefaultCountdownMs;
    return kDurationsMs[durationIndex];
}

AutoWeighing::AutoWeighing(Clock clock, WallClock wallClock)
    : m_clock(std::move(clock))
    , m_wallClock(std::move(wallClock))
{
}

qint64 AutoWeighing::msLeft() const
{
    return m_counting ? std::max<qint64>(0, m_startedAt + m_lengthMs - m_clock()) : 0;
}

QString AutoWeighing::shownStatus() const
{
    return m_failure.isEmpty() ? m_status : m_failure + QLatin1Char('\n') + m_status;
}

AutoWeighing::Outcome AutoWeighing::sample(qint64 weight, bool zeroSeen, bool mayStore, const QString &heldBy)
{
    if (m_storing)
        return Outcome::None;
    if (!zeroSeen) {
        m_status = QString::fromUtf8(kNeedsZero);
        stopCountdown();
        return Outcome::None;
    }
    if (weight < m_minimum) {
        m_status = QString::fromUtf8(kDriveOn).arg(m_minimum);
        stopCountdown();
        return Outcome::None;
    }
    if (weight == m_minimum) {
        stopCountdown();
        return Outcome::None;
    }
    const qint64 now = m_clock();
    const qint64 length = countdownMs(m_durationIndex);
    // A changed duration starts the countdown again with the new length.
    if (!m_counting || length != m_lengthMs) {
        m_counting = true;
        m_startedAt = now;
        m_lengthMs = length;
    }
    m_status = QString::fromUtf8(kStarted);
    if (now - m_startedAt < m_lengthMs)
        return Outcome::None;
    if (!mayStore) {
        if (!heldBy.isEmpty())
            m_status = heldBy;
        return Outcome::None;
    }

    // The vehicle has stood above the minimum for the whole countdown: its weight now is the one stored. The texts
    // change only once the row is in the database, so the window never claims a weight that was not saved.
    stopCountdown();
    m_storing = true;
    m_pendingAt = m_wallClock();
    m_pendingWeight = weight;
    return Outcome::Store;
}

AutoWeighing::Outcome AutoWeighing::storeFinished(const QString &error)
{
    if (!m_storing)
        return Outcome::None;
    m_storing = false;
    if (!error.isEmpty()) {
        m_failure = QString::fromUtf8(kStoreFailed).arg(error);
        return Outcome::StoreFailed;
    }
    m_failure.clear();
    m_status = QString::fromUtf8(kStored);
    m_lastSaved = QString::fromUtf8(kLastSaved).arg(m_pendingWeight).arg(Formats::dateTime(m_pendingAt));
    return Outcome::Stored;
}
