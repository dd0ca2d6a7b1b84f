#include "AutoWeighingRun.h"

#include <QFutureWatcher>

#include <exception>

namespace {

constexpr char kBrokenOff[] = "a mentés megszakadt.";

} // namespace

AutoWeighingRun::AutoWeighingRun(Scale scale, AutoWeighing::Store store, QObject *parent, AutoWeighing::Clock clock)
    : QObject(parent)
    , m_scale(std::move(scale))
    , m_store(std::move(store))
    , m_rules(clock ? std::move(clock) : AutoWeighing::Clock([this] { return m_elapsed.elapsed(); }))
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
    const QString position = m_scale.position ? m_scale.position() : QString();
    const bool mayStore = (!m_scale.mayStore || m_scale.mayStore()) && position.isEmpty();
    const AutoWeighing::Outcome outcome = m_rules.sample(m_scale.weight(), m_scale.zeroSeen(), mayStore, position);
    // The deadline sample comes when the countdown is due; one that came a hair early simply waits again, and one
    // held for a load to settle looks again shortly.
    if (m_rules.counting() && m_tick.isActive()) {
        const qint64 left = m_rules.msLeft();
        m_deadline.start(left > 0 ? int(std::min<qint64>(left, INT_MAX)) : kHeldRecheckMs);
    }
    else
        m_deadline.stop();
    emit changed();
    if (outcome == AutoWeighing::Outcome::Store)
        startStore();
}

void AutoWeighingRun::startStore()
{
    QFuture<void> future;
    try {
        future = m_store(m_rules.pendingAt(), m_rules.pendingWeight());
    } catch (const std::exception &e) {
        finishStore(QString::fromUtf8(e.what()));
        return;
    }
    const auto outcome = [this](QFuture<void> f) {
        try {
            f.waitForFinished();
        } catch (const std::exception &e) {
            finishStore(QString::fromUtf8(e.what()));
            return;
        }
        finishStore(f.isCanceled() ? QString::fromUtf8(kBrokenOff) : QString());
    };
    // A store that finished at once (kelvoctl's own connection) is told at once.
    if (future.isFinished()) {
        outcome(future);
        return;
    }
    auto *watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [watcher, outcome] {
        watcher->deleteLater();
        outcome(watcher->future());
    });
    watcher->setFuture(future);
}

void AutoWeighingRun::finishStore(const QString &error)
{
    const QDateTime at = m_rules.pendingAt();
    const qint64 weight = m_rules.pendingWeight();
    const AutoWeighing::Outcome outcome = m_rules.storeFinished(error);
    if (outcome == AutoWeighing::Outcome::Stored)
        m_scale.clearZero();
    emit changed();
    if (outcome == AutoWeighing::Outcome::Stored)
        emit stored(at, weight);
    else if (outcome == AutoWeighing::Outcome::StoreFailed)
        emit storeFailed(m_rules.failure());
}
