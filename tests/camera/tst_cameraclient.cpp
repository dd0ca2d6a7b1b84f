#include "../support/SimulatorProcess.h"
#include "CameraClient.h"

#include <QImage>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <memory>

namespace {

const QString kUser = QStringLiteral("admin");
const QString kPassword = QStringLiteral("Tit0k!");

CameraSettings cameraAt(int number, const QString &url, int timeoutMs, const QString &user = {},
                        const QString &password = {})
{
    CameraSettings camera;
    camera.number = number;
    camera.name = QStringLiteral("Kamera %1").arg(number);
    camera.url = url;
    camera.user = user;
    camera.password = password;
    camera.timeoutMs = timeoutMs;
    return camera;
}

QString snapshotUrl(const SimulatorProcess &camsim)
{
    return QStringLiteral("http://127.0.0.1:%1/snapshot.jpg?channel=1").arg(camsim.firstLine());
}

// A port on the loopback that nothing listens on.
QString closedPortUrl()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const quint16 port = server.serverPort();
    server.close();
    return QStringLiteral("http://127.0.0.1:%1/").arg(port);
}

CameraShot takeOne(CameraClient &client, const CameraSettings &camera)
{
    QSignalSpy spy(&client, &CameraClient::shotTaken);
    const quint64 request = client.takeShot(camera);
    if (!spy.wait(camera.timeoutMs + 10000))
        return {};
    if (spy.first().at(0).value<quint64>() != request)
        return {};
    return spy.first().at(1).value<CameraShot>();
}

} // namespace

class TestCameraClient : public QObject
{
    Q_OBJECT

private slots:
    void oneCamera_data();
    void oneCamera();
    void everyCameraAtOnce();
};

void TestCameraClient::oneCamera_data()
{
    QTest::addColumn<QStringList>("camsimArgs"); // empty: no camera listens there
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("missing"); // empty: a picture

    const QStringList basic{"--auth", "basic", "--user", kUser, "--password", kPassword};
    const QStringList digest{"--auth", "digest", "--user", kUser, "--password", kPassword};
    QTest::newRow("plain") << QStringList{"--name", "Plain"} << QString() << QString() << 5000 << QString();
    QTest::newRow("basic") << basic << kUser << kPassword << 5000 << QString();
    QTest::newRow("digest") << digest << kUser << kPassword << 5000 << QString();
    QTest::newRow("basic, wrong password") << basic << kUser << "tit0k!" << 5000
                                           << "Hitelesítés elutasítva (felhasználónév vagy jelszó)";
    QTest::newRow("digest, wrong password") << digest << kUser << "tit0k!" << 5000
                                            << "Hitelesítés elutasítva (felhasználónév vagy jelszó)";
    QTest::newRow("digest, no user set") << digest << QString() << QString() << 5000
                                         << "Hitelesítés elutasítva (felhasználónév vagy jelszó)";
    QTest::newRow("slower than the limit") << QStringList{"--slow", "4000"} << QString() << QString() << 300
                                           << "Nincs válasz 300 ms alatt";
    QTest::newRow("dead") << QStringList{"--dead"} << QString() << QString() << 300 << "Nincs válasz 300 ms alatt";
    QTest::newRow("HTTP error") << QStringList{"--status", "503"} << QString() << QString() << 5000
                                << "HTTP-hiba: 503 Service Unavailable";
    QTest::newRow("login page") << QStringList{"--not-jpeg"} << QString() << QString() << 5000
                                << "A válasz nem JPEG-kép";
    QTest::newRow("nothing listens") << QStringList() << QString() << QString() << 5000
                                     << "Hálózati hiba: Connection refused";
}

void TestCameraClient::oneCamera()
{
    QFETCH(QStringList, camsimArgs);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(int, timeoutMs);
    QFETCH(QString, missing);

    std::unique_ptr<SimulatorProcess> camsim;
    QString url = closedPortUrl();
    if (!camsimArgs.isEmpty()) {
        camsim = std::make_unique<SimulatorProcess>(QStringLiteral(CAMSIM_PATH), camsimArgs);
        QVERIFY2(camsim->firstLine().toUShort() > 0, qPrintable(camsim->firstLine()));
        url = snapshotUrl(*camsim);
    }
    CameraClient client;
    const CameraSettings camera = cameraAt(2, url, timeoutMs, user, password);
    const CameraShot shot = takeOne(client, camera);
    QCOMPARE(shot.camera, 2);
    QCOMPARE(shot.name, QStringLiteral("Kamera 2"));
    QVERIFY(shot.at.isValid());
    if (!missing.isEmpty()) {
        QCOMPARE(shot.missing, missing);
        QVERIFY(shot.jpeg.isEmpty());
        return;
    }
    QVERIFY2(shot.ok(), qPrintable(shot.missing));
    QImage picture;
    QVERIFY(picture.loadFromData(shot.jpeg, "JPEG"));
    QVERIFY(picture.width() >= 200);
    // Each snapshot is a new picture, not a cached answer.
    const CameraShot again = takeOne(client, camera);
    QVERIFY2(again.ok(), qPrintable(again.missing));
    QVERIFY(again.jpeg != shot.jpeg);
    QCOMPARE(client.pendingRequests(), 0);
}

// A camera that accepts and stays silent, one that is too slow, and one with a bad address do not hold up the
// others: the outcome of all of them arrives within the longest limit, in the order asked.
void TestCameraClient::everyCameraAtOnce()
{
    SimulatorProcess good(QStringLiteral(CAMSIM_PATH), {"--name", "Bejárat"});
    SimulatorProcess dead(QStringLiteral(CAMSIM_PATH), {"--dead"});
    SimulatorProcess slow(QStringLiteral(CAMSIM_PATH), {"--slow", "20000"});
    SimulatorProcess digest(QStringLiteral(CAMSIM_PATH),
                            {"--auth", "digest", "--user", kUser, "--password", kPassword});
    for (const SimulatorProcess *camsim : {&good, &dead, &slow, &digest})
        QVERIFY2(camsim->firstLine().toUShort() > 0, qPrintable(camsim->firstLine()));

    constexpr int kLimitMs = 2000;
    const QList<CameraSettings> cameras{
        cameraAt(1, snapshotUrl(good), kLimitMs),
        cameraAt(2, snapshotUrl(dead), kLimitMs),
        cameraAt(3, snapshotUrl(slow), kLimitMs),
        cameraAt(4, snapshotUrl(digest), kLimitMs, kUser, kPassword),
        cameraAt(4, QStringLiteral("ftp://127.0.0.1/kep.jpg"), kLimitMs),
    };
    CameraClient client;
    QSignalSpy spy(&client, &CameraClient::allTaken);
    const quint64 request = client.takeAll(cameras);
    // Taken one after another, the silent ones alone would need twice the limit.
    QVERIFY(spy.wait(kLimitMs + 1500));
    QCOMPARE(spy.first().at(0).value<quint64>(), request);
    const auto shots = spy.first().at(1).value<QList<CameraShot>>();
    QCOMPARE(shots.size(), cameras.size());
    QStringList outcomes;
    for (const CameraShot &shot : shots)
        outcomes << QStringLiteral("%1 %2").arg(shot.camera).arg(shot.ok() ? QStringLiteral("kép") : shot.missing);
    QCOMPARE(outcomes, (QStringList{"1 kép", "2 Nincs válasz 2000 ms alatt", "3 Nincs válasz 2000 ms alatt", "4 kép",
                                    "4 Érvénytelen cím: ftp://127.0.0.1/kep.jpg"}));
    QCOMPARE(client.pendingRequests(), 0);

    // No camera at all: still an answer, from the event loop.
    QSignalSpy none(&client, &CameraClient::allTaken);
    client.takeAll({});
    QCOMPARE(none.size(), 0);
    QVERIFY(none.wait(1000));
    QVERIFY(none.first().at(1).value<QList<CameraShot>>().isEmpty());
}

QTEST_GUILESS_MAIN(TestCameraClient)
#include "tst_cameraclient.moc"
