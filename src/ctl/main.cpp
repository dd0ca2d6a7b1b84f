#include "CtlCommands.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvoctl"));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return runKelvoctl(args);
}
