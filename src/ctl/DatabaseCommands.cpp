#include "Commands.h"

#include "Invocation.h"
#include "Schema.h"

int createDbCommand(Invocation &call)
{
    const QString path = call.args().operands().first();
    if (const QString error = Schema::createDatabase(path); !error.isEmpty()) {
        call.err() << "kelvoctl create-db: " << error << '\n';
        return kRefused;
    }
    return kDone;
}

int checkDbCommand(Invocation &call)
{
    const QString path = call.args().operands().first();
    Invocation::checkDatabase(path);
    call.out() << "ok " << QString::number(Schema::kVersion, 'f', 2) << '\n';
    return kDone;
}
