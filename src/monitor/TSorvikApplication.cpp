#include "TSorvikApplication.h"

#include "ComTypes.h"

#include <QMessageBox>

namespace sorvik {

TSorvikApplication::TSorvikApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Sorvik"));
    setApplicationVersion(QStringLiteral(SORVIK_VERSION));
}

bool TSorvikApplication::notify(QObject *receiver, QEvent *event)
{
    QString message;
    try {
        return QApplication::notify(receiver, event);
    } catch (const EComPort &e) {
        message = e.message();
    } catch (const EGenericAlg &e) {
        message = e.message();
    } catch (const std::exception &e) {
        message = QString::fromLocal8Bit(e.what());
    }
    QMessageBox::critical(activeWindow(), applicationName(), message);
    return false;
}

} // namespace sorvik
