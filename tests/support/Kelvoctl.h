#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The kelvoctl binary of the build as a user runs it (KELVOCTL_PATH).
namespace Kelvoctl {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

inline Run run(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(KELVOCTL_PATH), args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace Kelvoctl
