#include "CameraSettings.h"

#include "Config.h"
#include "Seged.h"
#include "TextCodec.h"

std::optional<CameraSettings> CameraSettings::fromConfig(const Config &config, int number)
{
    if (number < 1 || number > kCount)
        return std::nullopt;
    const Keys::CameraKeys &keys = Keys::kamera[number - 1];
    CameraSettings camera;
    camera.number = number;
    camera.url = config.string(keys.url).trimmed();
    if (camera.url.isEmpty())
        return std::nullopt;
    camera.name = config.string(keys.name).trimmed();
    if (camera.name.isEmpty())
        camera.name = config.defaultText(keys.name);
    camera.user = config.string(keys.user);
    // Stored as the start password is: kodol of its UTF-8 (an older installation's may be Windows-1250).
    camera.password = TextCodec::decode(dekodol(config.string(keys.password)));
    const qint64 timeout = config.integer(keys.timeout);
    // A zero or negative limit would mean "never give up" to a reader of the INI; an absurd one is cut to a minute.
    camera.timeoutMs = timeout > 0 ? int(qMin<qint64>(timeout, 60000)) : kDefaultTimeoutMs;
    return camera;
}

QList<CameraSettings> CameraSettings::allFromConfig(const Config &config)
{
    QList<CameraSettings> cameras;
    for (int number = 1; number <= kCount; ++number) {
        if (auto camera = fromConfig(config, number))
            cameras.append(*camera);
    }
    return cameras;
}
