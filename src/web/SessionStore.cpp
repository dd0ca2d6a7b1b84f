#include "SessionStore.h"

#include "Secrets.h"

#include <QMutexLocker>

QString SessionStore::open(const WebUsers::User &user)
{
    const QString id = Secrets::newToken();
    const QMutexLocker lock(&m_mutex);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    expire(now);
    m_sessions.insert(id, {user, now});
    return id;
}

std::optional<WebUsers::User> SessionStore::find(const QString &id)
{
    const QMutexLocker lock(&m_mutex);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    expire(now);
    const auto it = m_sessions.find(id);
    if (it == m_sessions.end())
        return std::nullopt;
    it->lastSeen = now;
    return it->user;
}

void SessionStore::close(const QString &id)
{
    const QMutexLocker lock(&m_mutex);
    m_sessions.remove(id);
}

void SessionStore::expire(const QDateTime &now)
{
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        if (it->lastSeen.secsTo(now) > kIdleMinutes * 60)
            it = m_sessions.erase(it);
        else
            ++it;
    }
}

bool SessionStore::locked(const QString &name, const QHostAddress &address)
{
    const QMutexLocker lock(&m_mutex);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto isLocked = [&](const QHash<QString, Failures> &table, const QString &key) {
        const auto it = table.constFind(key);
        return it != table.constEnd() && it->lockedUntil.isValid() && it->lockedUntil > now;
    };
    return isLocked(m_names, name.toLower()) || isLocked(m_addresses, address.toString());
}

int SessionStore::count(Failures &f, const QDateTime &now, int limit)
{
    if (!f.first.isValid() || f.first.secsTo(now) > kWindowMinutes * 60 ||
        (f.lockedUntil.isValid() && f.lockedUntil <= now)) {
        f = Failures{0, now, {}};
    }
    ++f.count;
    if (f.count >= limit)
        f.lockedUntil = now.addSecs(kLockMinutes * 60);
    return f.count;
}

int SessionStore::failed(const QString &name, const QHostAddress &address)
{
    const QMutexLocker lock(&m_mutex);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // Bounded: an attacker spraying names must not grow the table without end.
    if (m_names.size() > 10000)
        m_names.clear();
    const int byName = count(m_names[name.toLower()], now, kMaxNameFailures);
    const int byAddress = count(m_addresses[address.toString()], now, kMaxAddressFailures);
    return qMin(kMaxDelayMs, kStepMs * qMax(byName, byAddress));
}

void SessionStore::succeeded(const QString &name)
{
    const QMutexLocker lock(&m_mutex);
    m_names.remove(name.toLower());
}
