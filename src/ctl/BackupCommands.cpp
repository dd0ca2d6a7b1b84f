#include "Commands.h"

#include "BackupRunner.h"
#include "Config.h"
#include "DatabaseStartup.h"
#include "Invocation.h"

namespace {

// The program makes no backup of a database it would not start with.
BackupRunner runner(Invocation &call)
{
    if (const auto missing = DatabaseStartup::checkExists(call.databasePath()))
        throw Refused(*missing);
    return BackupRunner(call.config());
}

} // namespace

int backupCommand(Invocation &call)
{
    const QString target = call.args().required(QStringLiteral("--to"));
    const BackupRunner::Result result = runner(call).make(target);
    if (!result.ok)
        throw Refused(result.failureText());
    call.out() << BackupRunner::kDoneMessage << '\n';
    return kDone;
}

int autobackupCommand(Invocation &call)
{
    QDate today = QDate::currentDate();
    if (call.args().has(QStringLiteral("--today"))) {
        today = QDate::fromString(call.args().value(QStringLiteral("--today")), QStringLiteral("yyyy-MM-dd"));
        if (!today.isValid())
            throw BadArguments(QStringLiteral("--today takes a date as YYYY-MM-DD"));
    }
    const BackupRunner::AutoOutcome outcome = runner(call).automatic(call.config(), today);
    switch (outcome.status) {
    case BackupRunner::AutoOutcome::Status::NotDue:
        call.out() << "Nincs esedékes biztonsági mentés.\n";
        return kDone;
    case BackupRunner::AutoOutcome::Status::Failed:
        throw Refused(BackupRunner::Result{false, outcome.error}.failureText());
    case BackupRunner::AutoOutcome::Status::Made:
        break;
    }
    call.out() << BackupRunner::kDoneMessage << '\n';
    if (!outcome.warning.isEmpty())
        throw Refused(outcome.warning);
    return kDone;
}
