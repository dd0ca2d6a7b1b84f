#include "AutoWeighingRun.h"

AutoWeighingRun::AutoWeighingRun(Scale scale, AutoWeighing::Store store, QObject *parent)
    : QObject(parent)
    , m_scale(std::move(scale))
    , m_store(std::move(store))
    , m_rules([this] { return m_elapsed.elapsed(); })
{
    m_elapsed.start();
    // Coarse timers may drift by several percent; the countdown is kept to the millisecond.
    m_tick.setTimerType(Qt::PreciseTimer);
    m_tick.setInterval(kTickMs);
    m_deadline.setTimerType(Qt::PreciseTimer);
    m_deadline.setSingleShot(true);
    connect(&m_tick, &QTimer::timeout, this, &AutoWeighingRun::sampleNow);
    connect(&m_deadline, &QTimer::timeout, this, &AutoWeighingRun::sampleNow);
}

void AutoWeighingRun::start()
{
    m_tick.start();
}

void AutoWeighingRun::stop()
{
    m_tick.stop();
    m_deadline.stop();
}

void AutoWeighingRun::sampleNow()
{
    QDateTime storedAt;
    qint64 storedWeight = 0;
    const auto store = [&](const QDateTime &at, qint64 weight) {
        m_store(at, weight);
        storedAt = at;
        storedWeight = weight;
    };
    const bool mayStore = !m_scale.mayStore || m_scale.mayStore();
    const AutoWeighing::Outcome outcome = m_rules.sample(m_scale.weight(), m_scale.zeroSeen(), store, mayStore);
    if (outcome == AutoWeighing::Outcome::Stored)
        m_scale.clearZero();
    // The deadline sample comes when the countdown is due; one that came a hair early simply waits again, and one
    // held for a load to settle looks again shortly.
    if (m_rules.counting() && m_tick.isActive()) {
        const qint64 left = m_rules.msLeft();
        m_deadline.start(left > 0 ? int(std::min<qint64>(left, INT_MAX)) : kHeldRecheckMs);
    }
    else
        m_deadline.stop();
    emit changed();
    if (outcome == AutoWeighing::Outcome::Stored)
        emit stored(storedAt, storedWeight);
    else if (outcome == AutoWeighing::Outcome::StoreFailed)
        emit storeFailed(m_rules.failure());
}
