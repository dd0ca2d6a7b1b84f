#pragma once

#include <QString>

// An operation the core turned down: the message to show and the control to put the focus into (its object
// name; empty when the focus stays).
struct Refusal {
    QString message;
    QString field;

    bool operator==(const Refusal &) const = default;
};
