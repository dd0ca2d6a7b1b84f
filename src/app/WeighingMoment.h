#pragma once

#include "Pictures.h"
#include "WeightOrigin.h"

#include <QString>

#include <functional>

#include <utility>

class Kelvo;
class QObject;

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

// Whether the moment takes the cameras' pictures (any is set up).
bool takesPictures(const Kelvo &kelvo);
// Every camera's picture now; done(shots) runs on window's thread once each has answered or its time limit has
// passed, nothing once window is gone.
void takePictures(const Kelvo &kelvo, QObject *window, std::function<void(const Pictures::Shots &)> done);

// The step a weighing window takes right before it submits its store: in (a FirstWeighing::Input or a
// Finishing::Input) gets what the moment decides, then store(in) submits it. The window stores only from store.
// The weight is the one in `in`, taken when the store was asked for; the cameras' pictures follow it without
// holding the window (store runs once they are in, at most the longest camera time limit later), so the window
// keeps itself busy from before this call until its store has ended. A weight the scale refuses is stored (and
// refused) at once, without pictures. Without cameras store runs before this returns.
template <typename Input, typename Store>
void aboutToStore(const Kelvo &kelvo, QObject *window, Input in, Store store)
{
    in.scaleRefusal = refusal(kelvo, in.origin);
    if (!in.scaleRefusal.isEmpty() || !takesPictures(kelvo)) {
        store(std::move(in));
        return;
    }
    takePictures(kelvo, window, [in = std::move(in), store = std::move(store)](const Pictures::Shots &shots) mutable {
        in.pictures = shots;
        store(std::move(in));
    });
}

} // namespace WeighingMoment
