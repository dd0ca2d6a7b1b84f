#pragma once

// The start-up switches of the two weighing windows; the second weighing window follows the first.
struct WeighingWindowOptions {
    bool manualWeight = true; // "Kézi súly" and the tare recall button can be used
    bool tareButtons = true;  // the tare save and recall buttons are shown
    bool ewcButton = true;    // first weighing only
    bool unitPrice = true;    // first weighing only
};
