#include "HandOverScript.h"

#include <QFileInfo>
#include <QProcess>

namespace HandOverScript {

bool start(const QString &scriptPath)
{
    const QFileInfo info(scriptPath);
    if (!info.isFile())
        return false;
    // Through the shell, so the script needs no execute bit, as a batch file needs none.
    return QProcess::startDetached(QStringLiteral("/bin/sh"), {info.absoluteFilePath()}, info.absolutePath());
}

} // namespace HandOverScript
