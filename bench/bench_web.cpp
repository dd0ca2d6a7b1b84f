// The office service under load, over real HTTP on the loopback:
// bench_web [--runs N] [--clients C] [--requests R] [--kelvoctl PATH] DATAPATH
// DATAPATH is a database file or a postgresql:// URI of the finished tickets (an erp and an iroda user are added for
// the run and deleted after it). Starts kelvoctl serve over it and times the API's 500-ticket batch by serial, a
// week's batch by date, the office's search pages of 50 rows and ticket pages, and C clients at once, each sending R
// requests of a mix of API calls on a connection of its own.
#include "Database.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kWaitMs = 60000;

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype at = std::min<qsizetype>(values.size() - 1, qsizetype(p * double(values.size())));
    return values.at(at);
}

// One keep-alive connection, used from one thread with blocking waits.
class HttpClient
{
public:
    // credentials: the header line that says who asks ("Authorization: Bearer …" or "Cookie: …").
    HttpClient(quint16 port, QByteArray credentials)
        : m_port(port)
        , m_credentials(std::move(credentials))
    {
    }

    // The status of GET path, 0 when the connection failed; the body's size in *bytes.
    int get(const QByteArray &path, qint64 *bytes = nullptr) { return send("GET " + path, {}, bytes); }

    // The office's login form; the session cookie's header line, empty when it was refused.
    QByteArray logIn(const QByteArray &name, const QByteArray &password)
    {
        const QByteArray form = "nev=" + name.toPercentEncoding() + "&jelszo=" + password.toPercentEncoding();
        QByteArray head;
        if (send("POST /login", "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                                    QByteArray::number(form.size()) + "\r\n\r\n" + form,
                 nullptr, &head) != 303)
            return {};
        const qsizetype at = head.toLower().indexOf("\r\nset-cookie:");
        if (at < 0)
            return {};
        const qsizetype from = at + 13;
        return "Cookie: " + head.mid(from, head.indexOf(';', from) - from).trimmed();
    }

private:
    // request: the method and path; rest: further header lines and the body, after the credentials' line; the
    // answer's head as it came in *rawHead.
    int send(const QByteArray &request, const QByteArray &rest, qint64 *bytes, QByteArray *rawHead = nullptr)
    {
        if (m_socket.state() != QAbstractSocket::ConnectedState) {
            m_socket.abort();
            m_socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (!m_socket.waitForConnected(kWaitMs))
                return 0;
        }
        m_socket.write(request + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(m_port) + "\r\n" +
                       (m_credentials.isEmpty() ? QByteArray() : m_credentials + "\r\n") +
                       (rest.isEmpty() ? QByteArray("\r\n") : rest));
        QByteArray head;
        qsizetype end = -1;
        while ((end = m_buffer.indexOf("\r\n\r\n")) < 0) {
            if (!m_socket.waitForReadyRead(kWaitMs))
                return 0;
            m_buffer += m_socket.readAll();
        }
        if (rawHead)
            *rawHead = m_buffer.left(end);
        head = m_buffer.left(end).toLower();
        m_buffer.remove(0, end + 4);
        const qsizetype at = head.indexOf("\r\ncontent-length:");
        const qsizetype to = head.indexOf("\r\n", at + 17);
        const qint64 length = at < 0 ? 0 : head.mid(at + 17, to < 0 ? -1 : to - at - 17).trimmed().toLongLong();
        while (m_buffer.size() < length) {
            if (!m_socket.waitForReadyRead(kWaitMs))
                return 0;
            m_buffer += m_socket.readAll();
        }
        m_buffer.remove(0, length);
        if (bytes)
            *bytes = length;
        if (head.contains("\r\nconnection: close"))
            m_socket.disconnectFromHost();
        return head.mid(9, 3).toInt();
    }

    quint16 m_port;
    QByteArray m_credentials;
    QTcpSocket m_socket;
    QByteArray m_buffer;
};

struct Figures {
    QList<double> ms;
    int errors = 0;
    qint64 bytes = 0;
    QByteArray slowest; // the request of the longest time
    double slowestMs = 0;
};

void print(const char *work, const Figures &f, const QString &extra = {})
{
    std::printf("%-40s %6lld %9.1f %9.1f %9.1f %6d  %s\n", work, qlonglong(f.ms.size()), percentile(f.ms, 0.5),
                percentile(f.ms, 0.99), f.slowestMs, f.errors, qPrintable(extra));
    if (f.slowestMs > 4 * percentile(f.ms, 0.99))
        std::printf("%-40s slowest: %s\n", "", f.slowest.constData());
    std::fflush(stdout);
}

// Times each GET of the paths in turn on one connection.
Figures timedGets(HttpClient &client, const QList<QByteArray> &paths)
{
    Figures f;
    for (const QByteArray &path : paths) {
        QElapsedTimer clock;
        clock.start();
        qint64 bytes = 0;
        const int status = client.get(path, &bytes);
        f.ms.append(clock.nsecsElapsed() / 1e6);
        f.bytes += bytes;
        if (f.ms.last() > f.slowestMs) {
            f.slowestMs = f.ms.last();
            f.slowest = path;
        }
        if (status != 200) {
            ++f.errors;
            std::fprintf(stderr, "bench_web: %s: %d\n", path.constData(), status);
        }
    }
    return f;
}

int runQuiet(const QString &program, const QStringList &args, const QByteArray &input = {}, QByteArray *out = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (out)
        *out = process.readAllStandardOutput();
    return process.exitCode();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The office service under load, over HTTP on the loopback."));
    parser.addHelpOption();
    const QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("Batches of each kind timed (100)."),
                                  QStringLiteral("N"), QStringLiteral("100"));
    const QCommandLineOption clients(QStringLiteral("clients"), QStringLiteral("Clients at once (50)."),
                                     QStringLiteral("C"), QStringLiteral("50"));
    const QCommandLineOption requests(QStringLiteral("requests"), QStringLiteral("Requests of each client (40)."),
                                      QStringLiteral("R"), QStringLiteral("40"));
    const QCommandLineOption program(QStringLiteral("kelvoctl"), QStringLiteral("The kelvoctl to run (this build's)."),
                                     QStringLiteral("PATH"), QStringLiteral(KELVOCTL_PATH));
    parser.addOptions({runs, clients, requests, program});
    parser.addPositionalArgument(QStringLiteral("datapath"), QStringLiteral("A database file or a postgresql:// URI."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QString datapath = parser.positionalArguments().constFirst();
    const int n = std::max(1, parser.value(runs).toInt());
    const int clientCount = std::clamp(parser.value(clients).toInt(), 1, 500);
    const int requestCount = std::clamp(parser.value(requests).toInt(), 1, 10000);
    const QString kelvoctl = parser.value(program);

    // The range of serials and days the requests are drawn from.
    qint64 lastSerial = 0;
    QDate firstDay, lastDay;
    {
        Database database(datapath);
        if (const QString error = database.open(); !error.isEmpty()) {
            std::fprintf(stderr, "bench_web: %s\n", qPrintable(error));
            return 1;
        }
        QSqlQuery q(database.db());
        if (!q.exec(QStringLiteral("SELECT MAX(sorszam), MIN(kidatum), MAX(kidatum) FROM szallitasok")) || !q.next()) {
            std::fprintf(stderr, "bench_web: no tickets\n");
            return 1;
        }
        lastSerial = q.value(0).toLongLong();
        firstDay = QDate::fromString(q.value(1).toString().left(10), Qt::ISODate);
        lastDay = QDate::fromString(q.value(2).toString().left(10), Qt::ISODate);
    }
    if (lastSerial < 1 || !firstDay.isValid() || !lastDay.isValid()) {
        std::fprintf(stderr, "bench_web: no finished tickets\n");
        return 1;
    }

    QTemporaryDir home;
    QFile ini(home.filePath(QStringLiteral("Kelvo.ini")));
    if (!ini.open(QIODevice::WriteOnly) || ini.write("[Opt]\r\ndatapath=" + datapath.toUtf8() + "\r\nkarbantart=0\r\n") < 0)
        return 1;
    ini.close();
    const QStringList atHome{QStringLiteral("--home"), home.path()};
    const QString user = QStringLiteral("bench_web_%1").arg(QCoreApplication::applicationPid());
    QByteArray token;
    if (runQuiet(kelvoctl, atHome + QStringList{QStringLiteral("user"), QStringLiteral("add"), user,
                                                QStringLiteral("--role"), QStringLiteral("erp")},
                 "bench\n", &token) != 0) {
        std::fprintf(stderr, "bench_web: user add failed\n");
        return 1;
    }
    token = "Authorization: Bearer " + token.trimmed();
    const QString officeUser = user + QStringLiteral("_iroda");
    const auto dropUsers = qScopeGuard([&] {
        for (const QString &name : {user, officeUser})
            runQuiet(kelvoctl, atHome + QStringList{QStringLiteral("user"), QStringLiteral("del"), name});
    });
    if (runQuiet(kelvoctl, atHome + QStringList{QStringLiteral("user"), QStringLiteral("add"), officeUser,
                                                QStringLiteral("--role"), QStringLiteral("iroda")},
                 "bench-iroda\n") != 0) {
        std::fprintf(stderr, "bench_web: user add failed\n");
        return 1;
    }

    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(kelvoctl, atHome + QStringList{QStringLiteral("serve"), QStringLiteral("--listen"),
                                                QStringLiteral("127.0.0.1:0")});
    if (!server.waitForReadyRead(kWaitMs)) {
        std::fprintf(stderr, "bench_web: kelvoctl serve did not start\n");
        return 1;
    }
    const QByteArray line = server.readLine().trimmed();
    const quint16 port = quint16(line.mid(line.lastIndexOf(':') + 1).toUInt());
    const auto stopServer = qScopeGuard([&] {
        server.terminate();
        if (!server.waitForFinished(30000))
            server.kill();
    });

    QRandomGenerator random(42);
    const auto afterPath = [&](QRandomGenerator &r) {
        return "/api/v1/tickets?after=" + QByteArray::number(r.bounded(qMax<qint64>(1, lastSerial - 500))) +
               "&limit=500";
    };
    const qint64 days = firstDay.daysTo(lastDay);
    const auto weekPath = [&](QRandomGenerator &r) {
        const QDate from = firstDay.addDays(r.bounded(qMax<qint64>(1, days - 6)));
        return "/api/v1/tickets?from=" + from.toString(Qt::ISODate).toLatin1() + "&to=" +
               from.addDays(6).toString(Qt::ISODate).toLatin1() + "&limit=500";
    };
    const auto dayPath = [&](QRandomGenerator &r) {
        const QDate day = firstDay.addDays(r.bounded(qMax<qint64>(1, days)));
        return "/api/v1/tickets?from=" + day.toString(Qt::ISODate).toLatin1() + "&to=" + day.toString(Qt::ISODate).toLatin1();
    };
    const auto ticketPath = [&](QRandomGenerator &r) {
        return "/api/v1/tickets/" + QByteArray::number(1 + r.bounded(lastSerial));
    };

    std::printf("kelvoctl serve on %s, %lld tickets; %d runs each, then %d clients x %d requests\n",
                qPrintable(datapath.startsWith(QLatin1String("postgresql:")) ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite")),
                qlonglong(lastSerial), n, clientCount, requestCount);
    std::printf("%-40s %6s %9s %9s %9s %6s\n", "work", "count", "median ms", "p99 ms", "max ms", "errors");

    {
        HttpClient client(port, token);
        // The first answer opens the worker's connection; it is not what a running service costs.
        client.get("/api/v1/in-progress");
        QList<QByteArray> paths;
        for (int i = 0; i < n; ++i)
            paths.append(afterPath(random));
        Figures f = timedGets(client, paths);
        print("tickets?after=S&limit=500", f, QStringLiteral("%1 KiB each").arg(f.bytes / 1024 / qMax(1, n)));
        paths.clear();
        for (int i = 0; i < n; ++i)
            paths.append(weekPath(random));
        f = timedGets(client, paths);
        print("tickets?from=D&to=D+6&limit=500", f, QStringLiteral("%1 KiB each").arg(f.bytes / 1024 / qMax(1, n)));
        paths.clear();
        for (int i = 0; i < n; ++i)
            paths.append(ticketPath(random));
        print("tickets/S", timedGets(client, paths));
    }
    {
        // The office: its search pages and a ticket's page.
        HttpClient client(port, {});
        const QByteArray cookie = client.logIn(officeUser.toUtf8(), "bench-iroda");
        if (cookie.isEmpty()) {
            std::fprintf(stderr, "bench_web: the office login failed\n");
            return 1;
        }
        HttpClient office(port, cookie);
        office.get("/");
        // The search page as the office opens it (a month) and a year's, each at a random page with its totals.
        const auto searchPaths = [&](const QDate &from, const QDate &to, int pages) {
            QList<QByteArray> paths;
            for (int i = 0; i < n; ++i)
                paths.append(QStringLiteral("/kereses?tol=%1&ig=%2&lap=%3")
                                 .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate))
                                 .arg(1 + random.bounded(pages))
                                 .toLatin1());
            return paths;
        };
        Figures f = timedGets(office, searchPaths(lastDay.addDays(-29), lastDay, 100));
        print("/kereses, 30 days, page of 50", f, QStringLiteral("%1 KiB each").arg(f.bytes / 1024 / qMax(1, n)));
        const QDate yearStart(lastDay.year() - 1, 1, 1);
        f = timedGets(office, searchPaths(yearStart, yearStart.addYears(1).addDays(-1), 1000));
        print("/kereses, a year, page of 50", f, QStringLiteral("%1 KiB each").arg(f.bytes / 1024 / qMax(1, n)));
        QList<QByteArray> paths;
        for (int i = 0; i < n; ++i)
            paths.append("/jegy/" + QByteArray::number(1 + random.bounded(lastSerial)));
        print("/jegy/S", timedGets(office, paths));
    }

    // Every client on a connection of its own, all started together; a mix of the ERP's calls.
    std::mutex lock;
    Figures all;
    std::atomic<int> ready = 0;
    std::atomic<bool> go = false;
    std::vector<std::thread> threads;
    QElapsedTimer wall;
    for (int c = 0; c < clientCount; ++c) {
        threads.emplace_back([&, c] {
            QRandomGenerator r(1000 + c);
            QList<QByteArray> paths;
            for (int i = 0; i < requestCount; ++i) {
                switch ((c + i) % 5) {
                case 0: paths.append(afterPath(r)); break;
                case 1: paths.append(ticketPath(r)); break;
                case 2: paths.append(dayPath(r)); break;
                case 3: paths.append("/api/v1/in-progress"); break;
                default: paths.append(ticketPath(r)); break;
                }
            }
            HttpClient client(port, token);
            ++ready;
            while (!go)
                std::this_thread::yield();
            const Figures f = timedGets(client, paths);
            const std::lock_guard guard(lock);
            all.ms += f.ms;
            all.errors += f.errors;
            if (f.slowestMs > all.slowestMs) {
                all.slowestMs = f.slowestMs;
                all.slowest = f.slowest;
            }
        });
    }
    while (ready < clientCount)
        std::this_thread::yield();
    wall.start();
    go = true;
    for (std::thread &t : threads)
        t.join();
    const double seconds = wall.nsecsElapsed() / 1e9;
    print(qPrintable(QStringLiteral("%1 clients x %2, mixed").arg(clientCount).arg(requestCount)), all,
          QStringLiteral("%1 requests/s").arg(int(all.ms.size() / seconds)));
    return all.errors == 0 ? 0 : 1;
}
