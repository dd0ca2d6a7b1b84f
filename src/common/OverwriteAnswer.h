#pragma once

// The operator's answer when a plate still on the bridge is weighed in again: keep the weight of the previous
// weighing, take the current one, or leave the transport as it is.
enum class OverwriteAnswer { Previous, Current, Cancel };
