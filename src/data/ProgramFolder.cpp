#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

QString programFolder()
{
    QString folder = qEnvironmentVariable("KELVO_HOME");
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    folder = QDir(folder).absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder.append(QLatin1Char('/'));
    return folder;
}
