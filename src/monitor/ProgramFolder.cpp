#include "ProgramFolder.h"

#include <QCoreApplication>

namespace sorvik {

QString programFolder()
{
    QString folder = qEnvironmentVariable("SORVIK_HOME");
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

} // namespace sorvik
