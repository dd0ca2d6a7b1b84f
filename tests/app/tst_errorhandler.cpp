#include "KelvoApplication.h"
#include "MessageBoxes.h"
#include "Sql.h"
#include "WindowHelpers.h"

#include <QTest>
#include <QTimer>

// An error nobody caught: the operator sees its text once and the program goes on working.
class TestErrorHandler : public QObject
{
    Q_OBJECT

private slots:
    void uncaughtErrorIsShownAndTheProgramRunsOn()
    {
        QStringList messages;
        setMessageHook([&](const MessageRequest &r) {
            messages.append(r.text);
            return 1;
        });
        homokora(true);
        QTimer::singleShot(0, this, [] { throw DatabaseError(QStringLiteral("disk I/O error")); });
        bool later = false;
        QTimer::singleShot(50, this, [&] { later = true; });
        QTRY_VERIFY(later);
        QCOMPARE(messages, QStringList{QStringLiteral("disk I/O error\r\r")});
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        setMessageHook({});
    }
};

int main(int argc, char *argv[])
{
    KelvoApplication app(argc, argv);
    TestErrorHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_errorhandler.moc"
