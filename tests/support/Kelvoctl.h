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
    QByteArray bytes; // standard output as written: the decoded out drops a leading byte-order mark
};

inline Run run(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(KELVOCTL_PATH), args);
    p.waitForFinished(30000);
    const QByteArray out = p.readAllStandardOutput();
    return {p.exitCode(), QString::fromUtf8(out), QString::fromUtf8(p.readAllStandardError()), out};
}

} // namespace Kelvoctl
