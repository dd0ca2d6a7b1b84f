#include "SingleInstance.h"

#include <QSignalSpy>
#include <QTest>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void secondCopyRaisesTheFirst()
    {
        const QString name = QStringLiteral("kelvo-test-") + QUuid::createUuid().toString(QUuid::Id128);
        SingleInstance first(name);
        QVERIFY(first.claim());
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        SingleInstance second(name);
        QVERIFY(!second.claim());
        QVERIFY(raised.wait(2000));
        QCOMPARE(raised.count(), 1);
    }

    void staleSocketIsTakenOver()
    {
        // A socket file left by a copy that crashed: bound once, nobody listening.
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("kelvoprogram"));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray path = name.toLocal8Bit();
        std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        ::close(fd);
        QVERIFY(QFile::exists(name));

        SingleInstance next(name);
        QVERIFY(next.claim());
        SingleInstance third(name);
        QVERIFY(!third.claim());
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
