#include "WeighingMoment.h"

#include "CameraWiring.h"
#include "Config.h"
#include "GateStation.h"
#include "GateWiring.h"
#include "Kelvo.h"
#include "WeightLink.h"

namespace WeighingMoment {

QString refusal(const Kelvo &kelvo, WeightOrigin origin)
{
    if (origin != WeightOrigin::Scale)
        return {};
    const QString scale = kelvo.weightLink()->refusalToTake(kelvo.settings().stabilkell);
    return scale.isEmpty() ? positionRefusal(kelvo) : scale;
}

QString positionRefusal(const Kelvo &kelvo)
{
    // Read at the moment from the file: a trust setting is in force exactly while Kelvo.ini holds it.
    const bool required = kelvo.config() && kelvo.config()->boolean(Keys::fenykapukell);
    const auto refused = kelvo.gate().station().positionRefusal(required);
    return refused ? refused->message : QString();
}

bool takesPictures(const Kelvo &kelvo)
{
    return kelvo.cameras().configured();
}

void takePictures(const Kelvo &kelvo, QObject *window, std::function<void(const Pictures::Shots &)> done)
{
    kelvo.cameras().take(window, std::move(done));
}

} // namespace WeighingMoment
