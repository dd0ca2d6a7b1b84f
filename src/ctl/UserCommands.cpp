#include "Commands.h"

#include "Database.h"
#include "Invocation.h"
#include "WebUsers.h"

#include <QIODevice>

namespace {

// The office service's users live in a table an older file may lack: it is added as the window program adds it.
QSqlDatabase usersDatabase(Invocation &call)
{
    const QSqlDatabase db = call.database();
    if (const QString error = Database::openTables(db); !error.isEmpty())
        throw Refused(error);
    return db;
}

// The first line of standard input, never an argument: a command line is visible to every user of the machine.
QString readPassword(Invocation &call)
{
    if (!call.in().isReadable())
        throw Refused(QStringLiteral("A jelszót a szabványos bemenet első sora adja."));
    QByteArray line = call.in().readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

QString name(Invocation &call)
{
    return call.args().operands().first();
}

} // namespace

int userAddCommand(Invocation &call)
{
    const QString role = call.args().choice(QStringLiteral("--role"),
                                            {QString::fromLatin1(WebUsers::kOffice), QString::fromLatin1(WebUsers::kErp)},
                                            QString());
    if (role.isEmpty())
        throw BadArguments(QStringLiteral("--role is iroda or erp"));
    const QSqlDatabase db = usersDatabase(call);
    QString token;
    if (const QString refusal = WebUsers::add(db, name(call), role, readPassword(call), &token); !refusal.isEmpty())
        throw Refused(refusal);
    // Shown this once: only its hash is kept.
    if (!token.isEmpty())
        call.out() << token << '\n';
    return kDone;
}

int userPasswdCommand(Invocation &call)
{
    const QSqlDatabase db = usersDatabase(call);
    if (const QString refusal = WebUsers::setPassword(db, name(call), readPassword(call)); !refusal.isEmpty())
        throw Refused(refusal);
    return kDone;
}

int userDelCommand(Invocation &call)
{
    if (const QString refusal = WebUsers::remove(usersDatabase(call), name(call)); !refusal.isEmpty())
        throw Refused(refusal);
    return kDone;
}

int userListCommand(Invocation &call)
{
    for (const WebUsers::User &user : WebUsers::list(usersDatabase(call)))
        call.out() << user.name << ';' << user.role << ';' << user.created << '\n';
    return kDone;
}
