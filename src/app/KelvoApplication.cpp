#include "KelvoApplication.h"

#include "SlotGuard.h"

#include <exception>

bool KelvoApplication::notify(QObject *receiver, QEvent *event)
{
    // The last line of defence for event handlers; slots are guarded where they are connected.
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        SlotGuard::report(e);
    } catch (...) {
        SlotGuard::reportUnknown();
    }
    return false;
}
