#include "TrustSettings.h"

#include "Config.h"
#include "Seged.h"
#include "Sql.h"
#include "Trail.h"

namespace {

const ConfigKey *const kKeys[] = {&Keys::Profile, &Keys::stabilkell, &Keys::stabiltures, &Keys::stabilido,
                                  &Keys::enablehand, &Keys::taralejar, &Keys::fenykapukell};

// What the station last recorded for key, or a null string when it never did.
QString lastRecorded(const QSqlDatabase &db, const QString &key)
{
    const QString prefix = key + QLatin1Char('=');
    const QVariant last =
        Sql::value(db,
                   QStringLiteral("SELECT uj FROM naplo WHERE esemeny = :esemeny AND allomas = :allomas AND "
                                  "substr(uj, 1, :n) = :prefix ORDER BY id DESC LIMIT 1"),
                   {{":esemeny", QString::fromUtf8(Trail::kSetting)},
                    {":allomas", gepnev()},
                    {":n", prefix.size()},
                    {":prefix", prefix}});
    return last.isNull() ? QString() : last.toString().mid(prefix.size());
}

} // namespace

namespace TrustSettings {

QStringList keys()
{
    QStringList names;
    for (const ConfigKey *key : kKeys)
        names.append(QLatin1String(key->name));
    return names;
}

int record(const QSqlDatabase &db, const Config &config)
{
    int added = 0;
    for (const ConfigKey *key : kKeys) {
        const QString name = QLatin1String(key->name);
        const QString now = config.string(*key);
        const QString last = lastRecorded(db, name);
        if (!last.isNull() && last == now)
            continue;
        Trail::settingChanged(db, name, last, now);
        ++added;
    }
    return added;
}

} // namespace TrustSettings
