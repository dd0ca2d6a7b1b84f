#include "Commands.h"

#include "AutoTable.h"
#include "AutoWeighingRun.h"
#include "Config.h"
#include "CsvExport.h"
#include "Invocation.h"
#include "LiveLink.h"
#include "Sql.h"
#include "WeightLink.h"

#include <QFile>
#include <QFuture>
#include <QTimer>

namespace {

QString rowLine(const AutoTable::Row &row)
{
    return AutoTable::texts(row).join(QLatin1Char(';'));
}

} // namespace

// The stored weights of a date range as the list window shows them, or as the CSV file it saves.
int autoListCommand(Invocation &call)
{
    const CommandLine &args = call.args();
    const QDate today = QDate::currentDate();
    const QDate from = args.date(QStringLiteral("--from"), today);
    const QDate to = args.date(QStringLiteral("--to"), today);
    if (to < from)
        throw Refused(QStringLiteral("Hibás intervallumok !"));
    const QList<AutoTable::Row> rows = AutoTable::list(call.database(), from, to);
    if (args.has(QStringLiteral("--csv"))) {
        QList<QStringList> lines;
        for (const AutoTable::Row &row : rows)
            lines.append(AutoTable::texts(row));
        const QByteArray bytes = CsvExport::bytes(AutoTable::columnNames(), lines);
        const QString target = args.value(QStringLiteral("--csv"));
        if (target == u"-") {
            call.writeOut(bytes);
            return kDone;
        }
        if (const QString error = CsvExport::write(target, bytes); !error.isEmpty())
            throw Refused(QStringLiteral("%1: %2").arg(target, error));
        return kDone;
    }
    if (rows.isEmpty()) {
        call.out() << "A megadott időintervallumban nincs szállítás rögzítve !\n";
        return kDone;
    }
    for (const AutoTable::Row &row : rows)
        call.out() << rowLine(row) << '\n';
    call.out() << QStringLiteral("%1 találat.").arg(rows.size()) << '\n';
    return kDone;
}

// The unattended logger without a window: the program folder's scale link, its minimum and duration; one line per
// stored weight as it is stored, until SIGTERM, SIGINT or the end of --for.
int autoWeighCommand(Invocation &call)
{
    const int ms = LiveLink::forOption(call);
    const Config &config = call.config();
    const QSqlDatabase db = call.database();
    LiveLink live(call);
    WeightLink &link = live.link();

    // A silent link keeps its last weight; it must not be stored as if a vehicle stood there.
    const bool stableRequired = config.boolean(Keys::stabilkell);
    AutoWeighingRun run({[&link] { return link.weightLive() ? qint64(link.aktsuly()) : 0; },
                         [&link] { return link.nullavolt(); }, [&link] { link.clearNullavolt(); },
                         [&link, stableRequired] { return link.refusalToTake(stableRequired).isEmpty(); }},
                        [&db](const QDateTime &at, qint64 weight) {
                            // kelvoctl's own connection: the store has finished when the future is made.
                            try {
                                AutoTable::append(db, at, weight);
                            } catch (const DatabaseError &) {
                                return QtFuture::makeExceptionalFuture(std::current_exception());
                            }
                            return QtFuture::makeReadyFuture();
                        });
    run.rules().setMinimum(config.integer(Keys::minautosuly));
    run.rules().setDurationIndex(int(config.integer(Keys::autoido)));
    QObject::connect(&run, &AutoWeighingRun::stored, &run, [&](const QDateTime &at, qint64 weight) {
        call.out() << rowLine({0, at, weight}) << Qt::endl;
    });
    QObject::connect(&run, &AutoWeighingRun::storeFailed, &run,
                     [&](const QString &text) { call.err() << text << Qt::endl; });
    run.start();
    live.run(ms);
    run.stop();
    return kDone;
}
