#include "../support/Kelvoctl.h"
#include "../support/SimulatorProcess.h"
#include "Seged.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// kelvoctl camera test against camsim, with the cameras of a program folder's Kelvo.ini.
class TestCameraCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cameraTest_data();
    void cameraTest();

private:
    QTemporaryDir m_home;
    std::unique_ptr<SimulatorProcess> m_plain;
    std::unique_ptr<SimulatorProcess> m_digest;
    std::unique_ptr<SimulatorProcess> m_missingPage;
};

void TestCameraCommand::initTestCase()
{
    QVERIFY(m_home.isValid());
    m_plain = std::make_unique<SimulatorProcess>(QStringLiteral(CAMSIM_PATH), QStringList{"--name", "Mérleg"});
    m_digest = std::make_unique<SimulatorProcess>(
        QStringLiteral(CAMSIM_PATH), QStringList{"--auth", "digest", "--user", "kapu", "--password", "Jelsz0 #2"});
    m_missingPage = std::make_unique<SimulatorProcess>(QStringLiteral(CAMSIM_PATH), QStringList{"--status", "404"});
    for (const auto *camsim : {m_plain.get(), m_digest.get(), m_missingPage.get()})
        QVERIFY2(camsim->firstLine().toUShort() > 0, qPrintable(camsim->firstLine()));

    // The password is stored encoded, the way the settings store the start password.
    QFile ini(m_home.filePath(QStringLiteral("Kelvo.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[Kamera1]\nURL=http://127.0.0.1:%1/snapshot.jpg\nName=Mérleg\n"
                             "[Kamera2]\nURL=http://127.0.0.1:%2/cgi-bin/snapshot.cgi\nUser=kapu\nPassword=%3\n"
                             "Timeout=5000\n"
                             "[Kamera3]\nName=Nincs címe\nTimeout=1000\n"
                             "[Kamera4]\nURL=http://127.0.0.1:%4/kep.jpg\n")
                  .arg(m_plain->firstLine(), m_digest->firstLine(), kodol(QStringLiteral("Jelsz0 #2")),
                       m_missingPage->firstLine())
                  .toUtf8());
}

void TestCameraCommand::cameraTest_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("error"); // standard error; empty when a picture was written

    QTest::newRow("camera 1 by default") << QStringList{"camera", "test"} << 0 << QString();
    QTest::newRow("digest, stored password") << QStringList{"camera", "test", "2"} << 0 << QString();
    QTest::newRow("no URL") << QStringList{"camera", "test", "3"} << 1
                            << "A 3. kamera nincs beállítva (nincs URL a [Kamera3] szakaszban).\n";
    QTest::newRow("HTTP error") << QStringList{"camera", "test", "4"} << 1 << "HTTP-hiba: 404 Not Found\n";
    QTest::newRow("no such camera number") << QStringList{"camera", "test", "5"} << 2
                                           << "kelvoctl camera test: N is a camera number, 1 to 4\n"
                                              "Usage: kelvoctl camera test [N] --to FILE [--home DIR]\n";
}

void TestCameraCommand::cameraTest()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, error);

    const QString file = m_home.filePath(QStringLiteral("kep.jpg"));
    QFile::remove(file);
    const Kelvoctl::Run run = Kelvoctl::run(args + QStringList{"--to", file, "--home", m_home.path()});
    QCOMPARE(run.err, error);
    QCOMPARE(run.code, code);
    if (code != 0) {
        QCOMPARE(run.out, QString());
        QVERIFY(!QFile::exists(file));
        return;
    }
    const QRegularExpressionMatch line =
        QRegularExpression(QStringLiteral("^(\\d+) bájt, (\\d+) ms\\n$")).match(run.out);
    QVERIFY2(line.hasMatch(), qPrintable(run.out));
    QFile picture(file);
    QVERIFY(picture.open(QIODevice::ReadOnly));
    const QByteArray bytes = picture.readAll();
    QCOMPARE(QString::number(bytes.size()), line.captured(1));
    QVERIFY(!QImage::fromData(bytes, "JPEG").isNull());
}

QTEST_GUILESS_MAIN(TestCameraCommand)
#include "tst_cameracommand.moc"
