#include "Commands.h"

#include "CsvImport.h"
#include "Invocation.h"
#include "MasterImport.h"

#include <QFile>

// Reads the whole file first: a file that does not parse adds nothing, and all rows go in one transaction.
int importCommand(Invocation &call)
{
    const QString table = call.args().operands().at(0);
    const QString source = call.args().operands().at(1);
    // The transport tables are known, and refused with the reason below.
    if (!MasterImport::tables().contains(table) && table != u"szallitasok" && table != u"folyamatban")
        throw BadArguments(
            QStringLiteral("TABLE is one of %1").arg(MasterImport::tables().join(QStringLiteral(", "))));
    QByteArray bytes;
    if (source == u"-") {
        if (!call.in().isReadable())
            throw Refused(QStringLiteral("cannot read standard input"));
        bytes = call.in().readAll();
    } else {
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly))
            throw Refused(QStringLiteral("%1: %2").arg(source, file.errorString()));
        bytes = file.readAll();
    }
    const CsvImport::Table csv = CsvImport::read(bytes);
    const MasterImport::Outcome outcome = MasterImport::import(call.database(), table, csv);
    if (outcome.refusal) {
        if (outcome.line == 0)
            throw Refused(outcome.refusal->message);
        const QString where = source == u"-" ? QStringLiteral("line %1").arg(outcome.line)
                                               : QStringLiteral("%1 line %2").arg(source).arg(outcome.line);
        throw Refused(QStringLiteral("%1: %2").arg(where, outcome.refusal->message));
    }
    call.out() << table << ' ' << outcome.rows << '\n';
    return kDone;
}
