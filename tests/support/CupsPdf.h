#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <pwd.h>
#include <unistd.h>

// Finding what the PDF printer of cups-pdf wrote, for tests that print for real.
namespace CupsPdf {

// Where the PDF printer puts its files for this user.
inline QStringList folders()
{
    const passwd *pw = ::getpwuid(::geteuid());
    const QString home = pw ? QString::fromLocal8Bit(pw->pw_dir) : QDir::homePath();
    const QString user = pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
    QStringList folders{home + QStringLiteral("/PDF"), QStringLiteral("/var/spool/cups-pdf/ANONYMOUS"),
                        QStringLiteral("/var/spool/cups-pdf/") + user};
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : conf.readAll().split('\n')) {
            if (line.startsWith("Out ")) {
                QString out = QString::fromLocal8Bit(line.mid(4).trimmed());
                out.replace(QLatin1String("${HOME}"), home).replace(QLatin1String("${USER}"), user);
                folders.prepend(out);
            }
        }
    }
    return folders;
}

// The printed file whose name holds token (the job title), empty while there is none.
inline QString findPrinted(const QString &token)
{
    for (const QString &folder : folders()) {
        QDirIterator it(folder, {QStringLiteral("*.pdf")}, QDir::Files);
        while (it.hasNext()) {
            const QString path = it.next();
            if (QFileInfo(path).fileName().contains(token))
                return path;
        }
    }
    return {};
}

} // namespace CupsPdf
