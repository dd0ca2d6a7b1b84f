#include "Commands.h"

#include "DatabaseCopy.h"
#include "Invocation.h"
#include "Schema.h"

namespace {

// The PATH|URI operand, else the database the program folder names: an installer's launcher creates and checks it
// with --home alone.
QString databaseOperand(Invocation &call)
{
    const QStringList &operands = call.args().operands();
    return operands.isEmpty() ? call.databasePath() : operands.first();
}

} // namespace

int createDbCommand(Invocation &call)
{
    const QString path = databaseOperand(call);
    if (const QString error = Schema::createDatabase(path); !error.isEmpty()) {
        call.err() << "kelvoctl create-db: " << error << '\n';
        return kRefused;
    }
    return kDone;
}

int checkDbCommand(Invocation &call)
{
    const QString path = databaseOperand(call);
    Invocation::checkDatabase(path);
    call.out() << "ok " << QString::number(Schema::kVersion, 'f', 2) << '\n';
    return kDone;
}

int copyDbCommand(Invocation &call)
{
    const QStringList paths = call.args().operands();
    const DatabaseCopy::Result result = DatabaseCopy::copy(paths.at(0), paths.at(1));
    if (!result.error.isEmpty()) {
        call.err() << "kelvoctl copy-db: " << result.error << '\n';
        return kRefused;
    }
    for (const DatabaseCopy::TableCount &count : result.tables)
        call.out() << count.table << ' ' << count.rows << '\n';
    return kDone;
}
