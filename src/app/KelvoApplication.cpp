#include "KelvoApplication.h"

#include "MessageBoxes.h"
#include "WindowHelpers.h"

#include <exception>

bool KelvoApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        homokora(false);
        uzenet(QString::fromLocal8Bit(e.what()));
    }
    return false;
}
