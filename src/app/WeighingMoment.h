#pragma once

#include "WeightOrigin.h"

#include <QString>

#include <utility>

class Kelvo;

// The moment a weighing is about to be stored, the same for every window that stores one. Whatever belongs to that
// moment (whether the weight may be taken now; the cameras' pictures of the vehicle) is gathered here, right before
// the store is submitted, so that it describes the weight stored and not one from a moment earlier.
namespace WeighingMoment {

// Why a weight from origin may not be stored now: the scale's refusal (over- or underload, not at rest when only
// stable weights may be taken), else the vehicle's position ([Opt] fenykapukell). Empty when it may. A weight typed
// or recalled is not the scale's, so neither applies.
QString refusal(const Kelvo &kelvo, WeightOrigin origin);

// The vehicle's position alone; empty when it may be weighed where it stands.
QString positionRefusal(const Kelvo &kelvo);

// The step a weighing window takes right before it submits its store: in (a FirstWeighing::Input or a
// Finishing::Input) gets what the moment decides, then store(in) submits it. The window stores only from store.
template <typename Input, typename Store>
void aboutToStore(const Kelvo &kelvo, Input in, Store store)
{
    in.scaleRefusal = refusal(kelvo, in.origin);
    store(std::move(in));
}

} // namespace WeighingMoment
