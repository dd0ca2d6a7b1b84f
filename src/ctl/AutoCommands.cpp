#include "Commands.h"

#include "AutoTable.h"
#include "AutoWeighingRun.h"
#include "Config.h"
#include "CsvExport.h"
#include "IniFile.h"
#include "Invocation.h"
#include "WeightLink.h"

#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_signalPipe = -1;

extern "C" void onStopSignal(int)
{
    const char byte = 1;
    // Only the byte is written here; the event loop ends the run between two samples, never inside a store.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe, &byte, 1);
}

// SIGTERM and SIGINT as a readable pipe while it lives; the earlier handlers come back afterwards.
class StopSignals
{
public:
    StopSignals()
    {
        if (::pipe2(m_fds, O_CLOEXEC | O_NONBLOCK) != 0)
            throw Refused(QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        g_signalPipe = m_fds[1];
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &action, &m_oldTerm);
        ::sigaction(SIGINT, &action, &m_oldInt);
    }
    ~StopSignals()
    {
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        g_signalPipe = -1;
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    int readEnd() const { return m_fds[0]; }

private:
    int m_fds[2] = {-1, -1};
    struct sigaction m_oldTerm {};
    struct sigaction m_oldInt {};
};

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
            call.out().flush();
            if (QIODevice *device = call.out().device())
                device->write(bytes);
            else
                call.out() << QString::fromUtf8(bytes);
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
    const CommandLine &args = call.args();
    qint64 seconds = 0;
    if (args.has(QStringLiteral("--for"))) {
        bool ok = false;
        seconds = args.value(QStringLiteral("--for")).toLongLong(&ok);
        if (!ok || seconds <= 0 || seconds > INT_MAX / 1000)
            throw BadArguments(QStringLiteral("--for takes a positive number of seconds"));
    }
    const Config &config = call.config();
    const QSqlDatabase db = call.database();

    const StopSignals stopSignals;
    WeightLink link;
    link.configure(WeightLinkSettings::fromConfig(config));
    const WeightServer server{config.boolean(Keys::sulylekerdez), config.string(Keys::hostip),
                              config.string(Keys::hostport)};
    link.setServerSource([server] { return server; });
    QString linkStatus;
    QObject::connect(&link, &WeightLink::statusTextChanged, &link, [&](const QString &text) {
        if (text.trimmed() == linkStatus)
            return;
        linkStatus = text.trimmed();
        call.err() << linkStatus << Qt::endl;
    });
    IniFile ini(config.ini().fileName());
    link.loadPortSettings(ini);
    // Without its scale the logger has nothing to do: a service manager may start it again later.
    if (!server.enabled && !link.comPort().Connected())
        throw Refused(link.statusText().trimmed());

    // A silent link keeps its last weight; it must not be stored as if a vehicle stood there.
    AutoWeighingRun run({[&link] { return link.weightLive() ? qint64(link.aktsuly()) : 0; },
                         [&link] { return link.nullavolt(); }, [&link] { link.clearNullavolt(); }},
                        [&db](const QDateTime &at, qint64 weight) { AutoTable::append(db, at, weight); });
    run.rules().setMinimum(config.integer(Keys::minautosuly));
    run.rules().setDurationIndex(int(config.integer(Keys::autoido)));
    QObject::connect(&run, &AutoWeighingRun::stored, &run, [&](const QDateTime &at, qint64 weight) {
        call.out() << rowLine({0, at, weight}) << Qt::endl;
    });
    QObject::connect(&run, &AutoWeighingRun::storeFailed, &run,
                     [&](const QString &text) { call.err() << text << Qt::endl; });

    QEventLoop loop;
    QSocketNotifier stop(stopSignals.readEnd(), QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QTimer end;
    end.setSingleShot(true);
    end.setTimerType(Qt::PreciseTimer);
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (seconds > 0)
        end.start(int(seconds * 1000));
    run.start();
    loop.exec();
    run.stop();
    link.shutdown();
    return kDone;
}
