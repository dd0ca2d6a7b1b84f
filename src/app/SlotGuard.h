#pragma once

#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

// An exception must never travel through Qt's signal dispatch. Every slot of the windows that can reach the
// database is connected through guarded(): an error that escapes the slot is shown to the operator here, with the
// wait cursor off, and the program runs on.
namespace SlotGuard {

void report(const std::exception &error);
void reportUnknown();

} // namespace SlotGuard

// Wraps a callable; the wrapper takes the signal's arguments and passes them on when the callable wants them.
template <typename F>
auto guarded(F f)
{
    return [f = std::move(f)](auto &&...args) mutable {
        try {
            if constexpr (std::is_invocable_v<F &, decltype(args)...>)
                std::invoke(f, std::forward<decltype(args)>(args)...);
            else
                std::invoke(f);
        } catch (const std::exception &e) {
            SlotGuard::report(e);
        } catch (...) {
            SlotGuard::reportUnknown();
        }
    };
}

// The same for a member function of an object.
template <typename T, typename R, typename... A>
auto guarded(T *object, R (T::*method)(A...))
{
    return guarded([object, method](A... args) { (object->*method)(std::forward<A>(args)...); });
}
