#include "Database.h"
#include "Sql.h"
#include "../support/TestDatabase.h"
#include "WebClient.h"

#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QSqlQuery>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>

#include <csignal>

namespace {

// The subset of JSON Schema the API's document uses: $ref, type, nullable, required, properties, items, enum.
QString schemaError(const QJsonObject &document, QJsonObject schema, const QJsonValue &value, const QString &at)
{
    if (schema.contains(QStringLiteral("$ref")))
        schema = document[QStringLiteral("components")][QStringLiteral("schemas")]
                         [schema[QStringLiteral("$ref")].toString().section(QLatin1Char('/'), -1)]
                             .toObject();
    if (value.isNull())
        return schema[QStringLiteral("nullable")].toBool() ? QString() : at + QStringLiteral(": null");
    const QString type = schema[QStringLiteral("type")].toString();
    const bool ok = type == u"object"    ? value.isObject()
                    : type == u"array"   ? value.isArray()
                    : type == u"string"  ? value.isString()
                    : type == u"boolean" ? value.isBool()
                    : type == u"number"  ? value.isDouble()
                    : type == u"integer" ? value.isDouble() && value.toDouble() == qint64(value.toDouble())
                                         : false;
    if (!ok)
        return at + QStringLiteral(": not ") + type;
    if (type == u"object") {
        const QJsonObject o = value.toObject();
        for (const QJsonValue &name : schema[QStringLiteral("required")].toArray())
            if (!o.contains(name.toString()))
                return at + QStringLiteral(": lacks ") + name.toString();
        const QJsonObject properties = schema[QStringLiteral("properties")].toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            if (!properties.contains(it.key()))
                return at + QStringLiteral(": undocumented ") + it.key();
            if (QString e = schemaError(document, properties[it.key()].toObject(), *it, at + '.' + it.key()); !e.isEmpty())
                return e;
        }
    }
    if (type == u"array") {
        const QJsonArray list = value.toArray();
        for (qsizetype i = 0; i < list.size(); ++i)
            if (QString e = schemaError(document, schema[QStringLiteral("items")].toObject(), list.at(i),
                                        at + QStringLiteral("[%1]").arg(i));
                !e.isEmpty())
                return e;
    }
    return {};
}

} // namespace

class TestServe : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;
    QTemporaryDir m_home;
    QString m_path;
    QString m_token;
    std::unique_ptr<QProcess> m_server;
    QUrl m_base;

    int kelvoctl(const QStringList &args, const QByteArray &input = {}, QByteArray *out = nullptr)
    {
        QProcess p;
        p.start(QStringLiteral(KELVOCTL_PATH), QStringList{QStringLiteral("--home"), m_home.path()} + args);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        if (out)
            *out = p.readAllStandardOutput();
        return p.exitCode();
    }

    // Starts kelvoctl serve on a free port; the URL it prints.
    bool serve(const QStringList &extra = {})
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        m_server = std::make_unique<QProcess>();
        m_server->start(QStringLiteral(KELVOCTL_PATH),
                        QStringList{QStringLiteral("--home"), m_home.path(), QStringLiteral("serve"),
                                    QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port)} + extra);
        if (!m_server->waitForReadyRead(30000))
            return false;
        const QByteArray line = m_server->readLine().trimmed();
        m_base = QUrl(QString::fromLatin1(line.mid(line.indexOf(' ') + 1)));
        return line.startsWith("listening ");
    }

    // SIGTERM ends the service cleanly: exit 0.
    void stopServer()
    {
        if (!m_server)
            return;
        ::kill(pid_t(m_server->processId()), SIGTERM);
        QVERIFY(m_server->waitForFinished(30000));
        QCOMPARE(m_server->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_server->exitCode(), 0);
        m_server.reset();
    }

    Answer api(const QString &pathAndQuery, const QByteArray &token)
    {
        return request("GET", m_base.resolved(QUrl(pathAndQuery)), {{"Authorization", "Bearer " + token}});
    }

private slots:
    void initTestCase()
    {
        if (const QString reason = TestDatabase::skipReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        m_path = m_databases.created(QStringLiteral("web"));
        QVERIFY(TestDatabase::writeIni(m_home.path(), m_path));
        {
            Database db(m_path);
            QCOMPARE(db.open(), QString());
            for (int serial = 1; serial <= 7; ++serial)
                Sql::run(db.db(),
                         QStringLiteral("INSERT INTO szallitasok (sorszam, rendszam, suly1, suly2, nettosuly, ervenyes, "
                                        "bedatum, kidatum, termeknev, irany) VALUES (:s, 'ABC-123', 30000, 12000, 18000, "
                                        "TRUE, :b, :k, 'búza', 0)"),
                         {{":s", serial},
                          {":b", QStringLiteral("2024-03-0%1 08:00:00").arg(serial)},
                          {":k", serial == 7 ? QVariant(QString()) : QVariant(QStringLiteral("2024-03-0%1 09:30:00").arg(serial))}});
        }
        QByteArray out;
        QCOMPARE(kelvoctl({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("iroda1"), QStringLiteral("--role"),
                           QStringLiteral("iroda")}, "jelszo1\n"), 0);
        QCOMPARE(kelvoctl({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("erp1"), QStringLiteral("--role"),
                           QStringLiteral("erp")}, "jelszo2\n", &out), 0);
        m_token = QString::fromLatin1(out.trimmed());
        QCOMPARE(m_token.size(), 43);
        QVERIFY(serve());
    }
    void cleanupTestCase() { stopServer(); }

    void users()
    {
        QByteArray out;
        QCOMPARE(kelvoctl({QStringLiteral("user"), QStringLiteral("list")}, {}, &out), 0);
        QCOMPARE(out.count('\n'), 2);
        QVERIFY(out.startsWith("erp1;erp;"));
        // A name is taken once; a second erp user gets a token of its own, and losing the user loses the token.
        QCOMPARE(kelvoctl({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("ERP1"), QStringLiteral("--role"),
                           QStringLiteral("erp")}, "x\n"), 1);
        QCOMPARE(kelvoctl({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("erp2"), QStringLiteral("--role"),
                           QStringLiteral("erp")}, "x\n", &out), 0);
        const QByteArray token = out.trimmed();
        QCOMPARE(api(QStringLiteral("/api/v1/in-progress"), token).status, 200);
        QCOMPARE(kelvoctl({QStringLiteral("user"), QStringLiteral("passwd"), QStringLiteral("erp2")}, "y\n"), 0);
        QCOMPARE(kelvoctl({QStringLiteral("user"), QStringLiteral("del"), QStringLiteral("erp2")}), 0);
        QCOMPARE(api(QStringLiteral("/api/v1/in-progress"), token).status, 401);
        QCOMPARE(kelvoctl({QStringLiteral("user"), QStringLiteral("del"), QStringLiteral("erp2")}), 1);
    }

    void badInput_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("token");
        QTest::addColumn<int>("bodyBytes");
        QTest::addColumn<int>("status");
        QTest::newRow("no token") << QByteArray("GET") << "/api/v1/tickets" << false << 0 << 401;
        QTest::newRow("bad date") << QByteArray("GET") << "/api/v1/tickets?from=2024-02-30&to=2024-03-01" << true << 0 << 400;
        QTest::newRow("one end") << QByteArray("GET") << "/api/v1/tickets?from=2024-03-01" << true << 0 << 400;
        QTest::newRow("period backwards") << QByteArray("GET") << "/api/v1/stock?from=2024-03-02&to=2024-03-01" << true << 0 << 400;
        QTest::newRow("limit 0") << QByteArray("GET") << "/api/v1/tickets?limit=0" << true << 0 << 400;
        QTest::newRow("limit 501") << QByteArray("GET") << "/api/v1/tickets?limit=501" << true << 0 << 400;
        QTest::newRow("after text") << QByteArray("GET") << "/api/v1/tickets?after=1%20OR%201=1" << true << 0 << 400;
        QTest::newRow("serial text") << QByteArray("GET") << "/api/v1/tickets/1;DROP" << true << 0 << 400;
        QTest::newRow("serial 0") << QByteArray("GET") << "/api/v1/tickets/0" << true << 0 << 400;
        QTest::newRow("no ticket") << QByteArray("GET") << "/api/v1/tickets/99" << true << 0 << 404;
        QTest::newRow("no ticket's PDF") << QByteArray("GET") << "/api/v1/tickets/99.pdf" << true << 0 << 404;
        QTest::newRow("unknown filter") << QByteArray("GET") << "/api/v1/stock?ceg=x" << true << 0 << 400;
        QTest::newRow("bad direction") << QByteArray("GET") << "/api/v1/stock?irany=fel" << true << 0 << 400;
        QTest::newRow("unknown path") << QByteArray("GET") << "/api/v2/tickets" << true << 0 << 404;
        QTest::newRow("file system") << QByteArray("GET") << "/../kelvo.mdb" << false << 0 << 404;
        QTest::newRow("post to api") << QByteArray("POST") << "/api/v1/tickets" << true << 10 << 405;
        QTest::newRow("delete") << QByteArray("DELETE") << "/api/v1/tickets/1" << true << 0 << 405;
        QTest::newRow("oversized body") << QByteArray("POST") << "/login" << false << 20000 << 413;
        QTest::newRow("oversized head") << QByteArray("GET") << "/login" << false << -10000 << 413;
        QTest::newRow("page without session") << QByteArray("GET") << "/" << false << 0 << 303;
        QTest::newRow("page with a token") << QByteArray("GET") << "/" << true << 0 << 303;
    }
    void badInput()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(bool, token);
        QFETCH(int, bodyBytes);
        QFETCH(int, status);
        QList<std::pair<QByteArray, QByteArray>> headers;
        if (token)
            headers.append({"Authorization", "Bearer " + m_token.toLatin1()});
        if (bodyBytes < 0)
            headers.append({"X-Filler", QByteArray(-bodyBytes, 'a')});
        const Answer a = request(method, QUrl(m_base.toString() + path), headers, QByteArray(qMax(0, bodyBytes), 'a'));
        QCOMPARE(a.status, status);
        // Every answer carries the policy headers; an API error says why in JSON.
        QVERIFY(a.header("Content-Security-Policy").startsWith("default-src 'none'"));
        QCOMPARE(a.header("X-Content-Type-Options"), QByteArray("nosniff"));
        QCOMPARE(a.header("Referrer-Policy"), QByteArray("same-origin"));
        if (path.startsWith(QLatin1String("/api/")) && status >= 400)
            QVERIFY(!a.json().value(QStringLiteral("error")).toString().isEmpty());
    }

    void apiAgainstItsDocument()
    {
        const Answer doc = api(QStringLiteral("/api/v1/openapi.json"), m_token.toLatin1());
        QCOMPARE(doc.status, 200);
        const QJsonObject document = doc.json();
        const auto check = [&](const QString &path, const QString &documented) {
            const Answer a = api(path, m_token.toLatin1());
            QCOMPARE(a.status, 200);
            QCOMPARE(a.header("Cache-Control"), QByteArray("no-store"));
            const QJsonObject schema = document[QStringLiteral("paths")][documented][QStringLiteral("get")]
                                               [QStringLiteral("responses")][QStringLiteral("200")]
                                               [QStringLiteral("content")][QStringLiteral("application/json")]
                                               [QStringLiteral("schema")].toObject();
            QVERIFY2(!schema.isEmpty(), qPrintable(documented));
            const QString error = schemaError(document, schema, QJsonDocument::fromJson(a.body).object(), path);
            QVERIFY2(error.isEmpty(), qPrintable(error));
        };
        check(QStringLiteral("/api/v1/tickets?limit=500"), QStringLiteral("/api/v1/tickets"));
        check(QStringLiteral("/api/v1/tickets/7"), QStringLiteral("/api/v1/tickets/{serial}"));
        check(QStringLiteral("/api/v1/in-progress"), QStringLiteral("/api/v1/in-progress"));
        check(QStringLiteral("/api/v1/stock?termek=B%C3%9AZA"), QStringLiteral("/api/v1/stock"));
        // The second weighing's days, both whole: 2 to 4 March.
        const QJsonArray days = api(QStringLiteral("/api/v1/tickets?from=2024-03-02&to=2024-03-04"), m_token.toLatin1())
                                    .json()[QStringLiteral("tickets")].toArray();
        QCOMPARE(days.size(), 3);
        QCOMPARE(days.first()[QStringLiteral("sorszam")].toInt(), 2);
    }

    void cursorWalksEveryTicketOnce()
    {
        QList<int> seen;
        QJsonValue next = 0;
        for (int page = 0; page < 10 && !next.isNull(); ++page) {
            const QJsonObject a = api(QStringLiteral("/api/v1/tickets?after=%1&limit=3").arg(next.toInteger()),
                                      m_token.toLatin1()).json();
            for (const QJsonValue &t : a[QStringLiteral("tickets")].toArray())
                seen.append(t[QStringLiteral("sorszam")].toInt());
            next = a[QStringLiteral("next")];
        }
        QCOMPARE(seen, (QList<int>{1, 2, 3, 4, 5, 6, 7}));
    }

    // The PDF is filled under a private name and rendered by a child process; two at once both come out, the gate's
    // own files stay as they were, and only pdfnyomtatas=1 counts it as a print.
    void ticketPdf_data()
    {
        QTest::addColumn<QByteArray>("web");
        QTest::addColumn<int>("counted");
        QTest::newRow("not a print") << QByteArray() << 0;
        QTest::newRow("pdfnyomtatas=1") << QByteArray("[Web]\npdfnyomtatas=1\n") << 1;
    }
    void ticketPdf()
    {
        QFETCH(QByteArray, web);
        QFETCH(int, counted);
        const QDir home(m_home.path());
        QFile::copy(QStringLiteral(KELVO_TEST_DATA_DIR "/../../share/merlegjegy.htm"), home.filePath(QStringLiteral("merlegjegy.htm")));
        QFile gate(home.filePath(QStringLiteral("out.htm")));
        QVERIFY(gate.open(QIODevice::WriteOnly | QIODevice::Truncate) && gate.write("a kapu jegye") == 12);
        gate.close();
        stopServer();
        QVERIFY(TestDatabase::writeIni(m_home.path(), m_path, "[Opt]\nkarbantart=0\nevelojel=0\nouttxt=1\noutbat=1\n" + web));
        QVERIFY(serve());
        const auto printed = [&] {
            Database db(m_path);
            if (!db.open().isEmpty())
                return -1;
            QSqlQuery q = Sql::run(db.db(), QStringLiteral("SELECT nyomtatva FROM szallitasok WHERE sorszam = 3"));
            return q.next() ? q.value(0).toInt() : -1;
        };
        const int before = printed();

        QNetworkAccessManager manager;
        QNetworkRequest r(m_base.resolved(QUrl(QStringLiteral("/api/v1/tickets/3.pdf"))));
        r.setRawHeader("Authorization", "Bearer " + m_token.toLatin1());
        std::unique_ptr<QNetworkReply> first(manager.get(r));
        std::unique_ptr<QNetworkReply> second(manager.get(r));
        QEventLoop loop;
        int open = 2;
        for (QNetworkReply *reply : {first.get(), second.get()})
            connect(reply, &QNetworkReply::finished, &loop, [&] {
                if (--open == 0)
                    loop.quit();
            });
        loop.exec();
        for (QNetworkReply *reply : {first.get(), second.get()}) {
            const QByteArray body = reply->readAll();
            QVERIFY2(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200, body.constData());
            QCOMPARE(reply->rawHeader("Content-Type"), QByteArray("application/pdf"));
            QCOMPARE(reply->rawHeader("Cache-Control"), QByteArray("no-store"));
            QVERIFY(body.startsWith("%PDF-"));
            QProcess text;
            text.start(QStringLiteral("pdftotext"), {QStringLiteral("-"), QStringLiteral("-")});
            text.write(body);
            text.closeWriteChannel();
            QVERIFY(text.waitForFinished(60000));
            const QByteArray words = text.readAllStandardOutput();
            QVERIFY2(words.contains("ABC-123") && words.contains("Sorszám: 00003"), words.constData());
        }
        QCOMPARE(printed(), before + 2 * counted);
        QCOMPARE(home.entryList({QStringLiteral(".web-*")}, QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(gate.open(QIODevice::ReadOnly));
        QCOMPARE(gate.readAll(), QByteArray("a kapu jegye"));
        QVERIFY(!home.exists(QStringLiteral("out.txt")));
    }

    void loginAndLockOut()
    {
        const QUrl login = m_base.resolved(QUrl(QStringLiteral("/login")));
        const Answer form = request("GET", login);
        QVERIFY(form.body.contains("<form method=\"post\" action=\"/login\">"));
        // The erp user's password does not open the pages; an escaped name comes back in the form.
        Answer a = request("POST", login, {}, "nev=erp1&jelszo=jelszo2");
        QCOMPARE(a.status, 401);
        a = request("POST", login, {}, "nev=%3Cb%3E&jelszo=x");
        QVERIFY(a.body.contains("value=\"&lt;b&gt;\""));
        a = request("POST", login, {{"Origin", "http://evil.example"}}, "nev=iroda1&jelszo=jelszo1");
        QCOMPARE(a.status, 403);
        a = request("POST", login, {}, "nev=iroda1&jelszo=jelszo1");
        QCOMPARE(a.status, 303);
        const QList<QNetworkCookie> cookies = QNetworkCookie::parseCookies(a.header("Set-Cookie"));
        QCOMPARE(cookies.size(), 1);
        QVERIFY(cookies.first().isHttpOnly());
        QCOMPARE(cookies.first().sameSitePolicy(), QNetworkCookie::SameSite::Strict);
        QVERIFY(!cookies.first().isSecure());
        const QByteArray cookie = "kelvo_session=" + cookies.first().value();
        QCOMPARE(request("GET", m_base, {{"Cookie", cookie}}).status, 200);
        // A page session does not open the API.
        QCOMPARE(request("GET", m_base.resolved(QUrl(QStringLiteral("/api/v1/in-progress"))), {{"Cookie", cookie}}).status, 401);
        QCOMPARE(request("POST", m_base.resolved(QUrl(QStringLiteral("/logout"))), {{"Cookie", cookie}}, "x").status, 303);
        QCOMPARE(request("GET", m_base, {{"Cookie", cookie}}).status, 303);

        for (int i = 0; i < 5; ++i)
            QCOMPARE(request("POST", login, {}, "nev=iroda1&jelszo=rossz").status, 401);
        QCOMPARE(request("POST", login, {}, "nev=iroda1&jelszo=jelszo1").status, 429);
    }

    void tlsAndSecureCookie()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
            QSKIP("no openssl");
        const QString cert = m_home.filePath(QStringLiteral("cert.pem"));
        const QString key = m_home.filePath(QStringLiteral("key.pem"));
        QCOMPARE(QProcess::execute(QStringLiteral("openssl"),
                                   {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                                    QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                                    QStringLiteral("1"), QStringLiteral("-subj"), QStringLiteral("/CN=localhost"),
                                    QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert}),
                 0);
        stopServer();
        QVERIFY(serve({QStringLiteral("--tls-cert"), cert, QStringLiteral("--tls-key"), key}));
        QCOMPARE(m_base.scheme(), QStringLiteral("https"));
        QCOMPARE(kelvoctl({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("iroda2"), QStringLiteral("--role"),
                           QStringLiteral("iroda")}, "jelszo3\n"), 0);
        const Answer a = request("POST", m_base.resolved(QUrl(QStringLiteral("/login"))), {}, "nev=iroda2&jelszo=jelszo3");
        QCOMPARE(a.status, 303);
        QVERIFY(QNetworkCookie::parseCookies(a.header("Set-Cookie")).value(0).isSecure());
        QCOMPARE(api(QStringLiteral("/api/v1/tickets/1"), m_token.toLatin1()).json()[QStringLiteral("sorszam")].toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TestServe)
#include "tst_serve.moc"
