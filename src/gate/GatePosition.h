#pragma once

#include "GateModule.h"
#include "Refusal.h"

#include <optional>

// With [Opt] fenykapukell on, a weight may be taken only when the light barriers prove the vehicle stands wholly on
// the bridge: none of the configured ones interrupted, read from a module that answers now.
namespace GatePosition {

inline constexpr char kNotOnBridge[] = "A jármű nem áll teljesen a mérlegen !";
// The module does not answer (or the site has none): the position cannot be proven, so the weight is not taken.
inline constexpr char kUnproven[] = "A kapuvezérlő nem érhető el, a jármű helyzete nem ellenőrizhető !";

// required: [Opt] fenykapukell. inputs: the light barriers as last read, by INI key (on = interrupted).
std::optional<Refusal> check(bool required, const GateSettings &settings, GateModule::Link link,
                             const QMap<QString, bool> &inputs);
std::optional<Refusal> check(bool required, const GateModule &module);

} // namespace GatePosition
