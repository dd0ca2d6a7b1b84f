#include "GatePosition.h"

namespace GatePosition {

std::optional<Refusal> check(bool required, const GateSettings &settings, GateModule::Link link,
                             const QMap<QString, bool> &inputs)
{
    if (!required)
        return std::nullopt;
    if (!settings.hasModule() || link != GateModule::Link::Connected)
        return Refusal{QString::fromUtf8(kUnproven), {}};
    for (auto it = settings.inputs.cbegin(); it != settings.inputs.cend(); ++it) {
        if (!inputs.contains(it.key()))
            return Refusal{QString::fromUtf8(kUnproven), {}};
        if (inputs.value(it.key()))
            return Refusal{QString::fromUtf8(kNotOnBridge), {}};
    }
    return std::nullopt;
}

std::optional<Refusal> check(bool required, const GateModule &module)
{
    return check(required, module.settings(), module.link(), module.inputs());
}

} // namespace GatePosition
