#include "GateSettings.h"

#include "Config.h"

#include <algorithm>

namespace {

const ConfigKey *const kCoils[] = {&Keys::BePiros, &Keys::BeZold, &Keys::KiPiros, &Keys::KiZold, &Keys::Sorompo};
const ConfigKey *const kInputs[] = {&Keys::Fenykapu1, &Keys::Fenykapu2};

// A Modbus address (0 to 65535), or -1 for a point the site does not have.
int address(const Config &config, const ConfigKey &key)
{
    bool ok = false;
    const int value = config.string(key).trimmed().toInt(&ok);
    return ok && value >= 0 && value <= 0xFFFF ? value : -1;
}

template<std::size_t N>
QMap<QString, int> points(const Config &config, const ConfigKey *const (&keys)[N])
{
    QMap<QString, int> found;
    for (const ConfigKey *key : keys) {
        if (const int a = address(config, *key); a >= 0)
            found.insert(QLatin1String(key->name), a);
    }
    return found;
}

template<std::size_t N>
QStringList names(const ConfigKey *const (&keys)[N])
{
    QStringList list;
    for (const ConfigKey *key : keys)
        list.append(QLatin1String(key->name));
    return list;
}

} // namespace

GateSettings GateSettings::fromConfig(const Config &config)
{
    GateSettings settings;
    settings.host = config.string(Keys::KapuHost).trimmed();
    settings.port = int(std::clamp<qint64>(config.integer(Keys::KapuPort), 1, 0xFFFF));
    settings.unit = int(std::clamp<qint64>(config.integer(Keys::KapuUnit), 0, 255));
    // A pulse too short to move the barrier or long enough to hold it open for a second truck is a typing error.
    settings.pulseMs = int(std::clamp<qint64>(config.integer(Keys::SorompoIdo), 100, 60000));
    settings.coils = points(config, kCoils);
    settings.inputs = points(config, kInputs);
    return settings;
}

QStringList GateSettings::coilKeys()
{
    return names(kCoils);
}

QStringList GateSettings::inputKeys()
{
    return names(kInputs);
}
