#include "../support/Kelvoctl.h"
#include "../support/TestDatabase.h"
#include "Cancellation.h"
#include "Database.h"
#include "Finishing.h"
#include "FirstWeighing.h"
#include "MasterRows.h"
#include "Modification.h"
#include "Outbox.h"
#include "OutboxQueue.h"
#include "Sql.h"
#include "TicketJson.h"
#include "Transport.h"
#include "WebhookSender.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlRecord>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

#include <csignal>

namespace {

const QDateTime kAt(QDate(2026, 3, 4), QTime(10, 15, 0));

// A webhook receiver on the loopback: answers every POST as its mode says and keeps each request it read.
class Receiver : public QObject
{
public:
    enum class Mode { Ok, Error, Stall, Refuse };
    struct Request {
        qint64 id = 0;
        QByteArray contentType;
        QJsonObject body;
        bool accepted = false;
    };

    Receiver()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            }
        });
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        m_port = m_server.serverPort();
    }

    QString url() const { return QStringLiteral("http://127.0.0.1:%1/hook").arg(m_port); }
    // Refuse closes the listening socket, so connections are refused; any other mode listens again on the port.
    void setMode(Mode mode)
    {
        m_mode = mode;
        if (mode == Mode::Refuse)
            m_server.close();
        else if (!m_server.isListening())
            QVERIFY(m_server.listen(QHostAddress::LocalHost, m_port));
    }
    const QList<Request> &requests() const { return m_requests; }
    // The ids of the accepted requests, a repeat of the one before left out.
    QList<qint64> acceptedIds() const
    {
        QList<qint64> ids;
        for (const Request &r : m_requests) {
            if (r.accepted && (ids.isEmpty() || ids.last() != r.id))
                ids.append(r.id);
        }
        return ids;
    }

private:
    void read(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        for (;;) {
            const qsizetype end = buffer.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            Request request;
            qsizetype length = 0;
            for (const QByteArray &header : buffer.left(end).split('\n')) {
                const qsizetype colon = header.indexOf(':');
                const QByteArray name = header.left(colon).trimmed().toLower();
                const QByteArray value = header.mid(colon + 1).trimmed();
                if (name == "content-length")
                    length = value.toLongLong();
                else if (name == "content-type")
                    request.contentType = value;
                else if (name == "x-kelvo-esemeny")
                    request.id = value.toLongLong();
            }
            if (buffer.size() < end + 4 + length)
                return;
            request.body = QJsonDocument::fromJson(buffer.mid(end + 4, length)).object();
            buffer.remove(0, end + 4 + length);
            request.accepted = m_mode == Mode::Ok;
            m_requests.append(request);
            if (m_mode == Mode::Ok)
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
            else if (m_mode == Mode::Error)
                socket->write("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n");
        }
    }

    QTcpServer m_server;
    quint16 m_port = 0;
    Mode m_mode = Mode::Ok;
    QList<Request> m_requests;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};

QJsonObject payload(const OutboxQueue::Event &event)
{
    return QJsonDocument::fromJson(event.payload).object();
}

} // namespace

class TestOutbox : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    QString m_path;
    std::unique_ptr<Database> m_db;

    QSqlDatabase db() const { return m_db->db(); }
    qint64 count(const char *table) const
    {
        return Sql::value(db(), QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).toLongLong();
    }
    QList<OutboxQueue::Event> events() const { return OutboxQueue::after(db(), 0, 100); }

    // A first weighing of plate, then its finish; whether the ticket was saved.
    bool weighAndFinish(const QString &plate)
    {
        FirstWeighing::Input first;
        first.rendszam = plate;
        first.nev = QStringLiteral("Agro Kft.");
        first.ugyfelnev = QStringLiteral("Malom Zrt.");
        first.termeknev = QStringLiteral("Búza");
        first.suly1 = QStringLiteral("30000");
        if (FirstWeighing::record(db(), first, 999999, [] { return OverwriteAnswer::Cancel; }, kAt).status !=
            FirstWeighing::Outcome::Status::Saved)
            return false;
        Finishing::Input in;
        in.rendszam = plate;
        in.suly2 = QStringLiteral("12000");
        in.raktar = QStringLiteral("Fő raktár");
        in.felhasznalo = QStringLiteral("merlegmester");
        return Finishing::finish(db(), in, {plate}, 999999, [](const QString &) { return true; }, kAt.addSecs(600))
                   .status == Finishing::Outcome::Status::Saved;
    }

private slots:
    void init()
    {
        if (const QString reason = TestDatabase::skipReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        m_databases = std::make_unique<TestDatabase>();
        m_path = m_databases->created(QStringLiteral("kelvo"));
        m_db = std::make_unique<Database>(m_path);
        QCOMPARE(m_db->open(), QString());
    }
    void cleanup()
    {
        m_db.reset();
        m_databases.reset();
    }

    void eventsAreWrittenInTheTicketsTransaction_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("finish") << "finish" << QStringList{"finished"};
        QTest::newRow("cancel") << "cancel" << QStringList{"finished", "cancelled"};
        QTest::newRow("modify") << "modify" << QStringList{"finished", "modified"};
        QTest::newRow("edit in the master data editor") << "edit" << QStringList{"finished", "modified"};
        QTest::newRow("reprint changes nothing booked") << "print" << QStringList{"finished"};
        QTest::newRow("finish failing before the ticket") << "ticket fails" << QStringList{};
        QTest::newRow("finish failing on the outbox") << "outbox fails" << QStringList{"taken"};
    }
    void eventsAreWrittenInTheTicketsTransaction()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, expected);
        if (change == u"ticket fails") {
            QVERIFY(TestDatabase::exec(m_path, QStringLiteral("DELETE FROM sorszamlalo")));
        } else if (change == u"outbox fails") {
            QVERIFY(TestDatabase::exec(m_path, QStringLiteral("INSERT INTO kimeno (id, esemeny, sorszam, ido, adat) "
                                                              "VALUES (1, 'taken', 0, '', '{}')")));
        }
        const qint64 ticketsBefore = count("szallitasok");
        bool saved = false;
        try {
            saved = weighAndFinish(QStringLiteral("ABC-123"));
        } catch (const DatabaseError &) {
        }
        QCOMPARE(saved, change != u"ticket fails" && change != u"outbox fails");
        if (!saved) {
            // Neither the ticket nor its event: the transport is still on the bridge.
            QCOMPARE(count("szallitasok"), ticketsBefore);
            QCOMPARE(count("folyamatban"), qint64(1));
        }
        if (change == u"cancel") {
            QCOMPARE(Cancellation::cancel(db(), 1), Cancellation::Check::Cancellable);
        } else if (change == u"modify") {
            Modification::Fields f;
            f.rendszam = QStringLiteral("XYZ-999");
            f.raktar = QStringLiteral("Új raktár");
            QVERIFY(!Modification::apply(db(), 1, f, false));
        } else if (change == u"edit") {
            const MasterRows::Listing listing = MasterRows::list(db(), QStringLiteral("szallitasok"));
            MasterRows::update(db(), QStringLiteral("szallitasok"), listing.columns, listing.ids.first(),
                               QStringLiteral("jelolt"), QVariant(true));
        } else if (change == u"print") {
            QVERIFY(Transport::countPrint(db(), 1) > 0);
        }

        const QList<OutboxQueue::Event> written = events();
        QStringList names;
        for (const OutboxQueue::Event &e : written)
            names.append(e.event);
        QCOMPARE(names, expected);
        if (!saved)
            return;
        // Each event carries the ticket as it stood after its change; the last one, the ticket as it is now.
        const OutboxQueue::Event &last = written.last();
        QCOMPARE(last.serial, qint64(1));
        QCOMPARE(payload(last).value(u"event").toString(), last.event);
        QSqlQuery now = Sql::run(db(), QStringLiteral("SELECT * FROM szallitasok WHERE sorszam = 1"));
        QVERIFY(now.next());
        QJsonObject ticket = TicketJson::object(now.record());
        if (change == u"print")
            ticket.insert(QStringLiteral("nyomtatva"), 0);
        QCOMPARE(payload(last).value(u"ticket").toObject(), ticket);
    }

    void deliversInOrderThroughFailuresAndRestarts_data()
    {
        QTest::addColumn<int>("failure");
        QTest::newRow("500") << int(Receiver::Mode::Error);
        QTest::newRow("no answer") << int(Receiver::Mode::Stall);
        QTest::newRow("connection refused") << int(Receiver::Mode::Refuse);
    }
    void deliversInOrderThroughFailuresAndRestarts()
    {
        QFETCH(int, failure);
        QVERIFY(weighAndFinish(QStringLiteral("ABC-123")));
        {
            Transaction t(db());
            Outbox::append(db(), Outbox::Event::Modified, 1);
            Outbox::append(db(), Outbox::Event::Cancelled, 1);
            t.commit();
        }
        Receiver receiver;
        WebhookSettings settings;
        settings.urls = {receiver.url()};
        settings.timeoutMs = 300;
        settings.retryBaseMs = 20;
        settings.pollMs = 20;
        settings.batch = 2;

        receiver.setMode(Receiver::Mode(failure));
        auto sender = std::make_unique<WebhookSender>(settings, db());
        QSignalSpy failed(sender.get(), &WebhookSender::failed);
        sender->start();
        QTRY_VERIFY_WITH_TIMEOUT(failed.size() >= 2, 20000);
        // Nothing after the failing event went meanwhile, and the listing knows why it waits.
        for (const Receiver::Request &r : receiver.requests())
            QCOMPARE(r.id, qint64(1));
        const OutboxQueue::Waiting waiting = OutboxQueue::waiting(db(), receiver.url());
        QCOMPARE(waiting.count, qint64(3));
        QCOMPARE(waiting.oldest->id, qint64(1));
        QVERIFY(!waiting.target.error.isEmpty());
        QVERIFY(!waiting.target.nextTry.isEmpty());

        // A restart while the receiver recovers: the new sender begins where the database says.
        sender.reset();
        receiver.setMode(Receiver::Mode::Ok);
        sender = std::make_unique<WebhookSender>(settings, db());
        sender->start();
        QTRY_COMPARE_WITH_TIMEOUT(OutboxQueue::target(db(), receiver.url()).delivered, qint64(3), 20000);
        // An event written while it runs follows.
        {
            Transaction t(db());
            Outbox::append(db(), Outbox::Event::Modified, 1);
            t.commit();
        }
        QTRY_COMPARE_WITH_TIMEOUT(OutboxQueue::target(db(), receiver.url()).delivered, qint64(4), 20000);
        sender.reset();

        QCOMPARE(receiver.acceptedIds(), (QList<qint64>{1, 2, 3, 4}));
        const QList<OutboxQueue::Event> stored = events();
        for (const Receiver::Request &r : receiver.requests()) {
            QCOMPARE(r.contentType, QByteArray("application/json"));
            QCOMPARE(r.body, payload(stored.at(r.id - 1)));
        }
        const OutboxQueue::Target done = OutboxQueue::target(db(), receiver.url());
        QCOMPARE(done.failures, 0);
        QCOMPARE(done.error, QString());
    }

    // The two commands that run until stopped deliver what waits, and what is written while they run, then stop
    // cleanly on SIGTERM.
    void commandsDeliverWhileTheyRun_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::newRow("outbox --deliver") << QStringList{QStringLiteral("outbox"), QStringLiteral("--deliver")};
        QTest::newRow("serve") << QStringList{QStringLiteral("serve"), QStringLiteral("--listen"),
                                              QStringLiteral("127.0.0.1:0")};
    }
    void commandsDeliverWhileTheyRun()
    {
        QFETCH(QStringList, command);
        Receiver receiver;
        QVERIFY(TestDatabase::writeIni(m_databases->dir().path(), m_path,
                                       "[Opt]\nkarbantart=0\n[Web]\nwebhook=" + receiver.url().toUtf8() +
                                           "\nwebhookretry=50\n"));
        QVERIFY(weighAndFinish(QStringLiteral("ABC-123")));
        QProcess kelvoctl;
        kelvoctl.start(QStringLiteral(KELVOCTL_PATH), QStringList{QStringLiteral("--home"), m_databases->dir().path()} +
                                                          command);
        QVERIFY(kelvoctl.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(receiver.acceptedIds(), QList<qint64>{1}, 20000);
        {
            Transaction t(db());
            Outbox::append(db(), Outbox::Event::Cancelled, 1);
            t.commit();
        }
        QTRY_COMPARE_WITH_TIMEOUT(receiver.acceptedIds(), (QList<qint64>{1, 2}), 20000);
        ::kill(pid_t(kelvoctl.processId()), SIGTERM);
        QVERIFY(kelvoctl.waitForFinished(30000));
        QCOMPARE(kelvoctl.readAllStandardError(), QByteArray());
        QCOMPARE(kelvoctl.exitStatus(), QProcess::NormalExit);
        QCOMPARE(kelvoctl.exitCode(), 0);
        QCOMPARE(OutboxQueue::target(db(), receiver.url()).delivered, qint64(2));
    }

    void kelvoctlListsWhatWaits()
    {
        QVERIFY(weighAndFinish(QStringLiteral("ABC-123")));
        {
            Transaction t(db());
            Outbox::append(db(), Outbox::Event::Cancelled, 1, kAt.addSecs(900));
            t.commit();
        }
        const QString failing = QStringLiteral("http://127.0.0.1:9/a");
        const QString done = QStringLiteral("http://127.0.0.1:9/b");
        const QString fresh = QStringLiteral("http://127.0.0.1:9/c");
        OutboxQueue::target(db(), failing);
        OutboxQueue::failed(db(), failing, 3, QStringLiteral("HTTP 500 Internal Server Error"), kAt.addSecs(3600));
        OutboxQueue::target(db(), done);
        OutboxQueue::delivered(db(), done, 2);
        QVERIFY(TestDatabase::writeIni(m_databases->dir().path(), m_path,
                                       "[Opt]\nkarbantart=0\n[Web]\nwebhook=" + failing.toUtf8() + "; " +
                                           done.toUtf8() + " " + fresh.toUtf8() + "\n"));
        const QString finished = events().first().time;
        const Kelvoctl::Run run = Kelvoctl::run({QStringLiteral("--home"), m_databases->dir().path(),
                                                 QStringLiteral("outbox")});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QStringLiteral("%1;2;1;finished;1;%4;2026-03-04 11:15:00;HTTP 500 Internal Server Error\n"
                                         "%2;0;;;;;;\n"
                                         "%3;2;1;finished;1;%4;;\n")
                              .arg(failing, done, fresh, finished));
    }
};

QTEST_GUILESS_MAIN(TestOutbox)
#include "tst_outbox.moc"
