#include "../support/Settle.h"
#include "../support/TestDatabase.h"

#include "Database.h"
#include "HtmlPdfRenderer.h"
#include "InProgress.h"
#include "Kelvo.h"
#include "MainCommands.h"
#include "MessageBoxes.h"
#include "PageRenderer.h"
#include "Schema.h"
#include "TicketPrintQueue.h"
#include "Transport.h"

#include "Tbefejezesform.h"
#include "ui_Tbefejezesform.h"
#include "TFoform.h"
#include "ui_TFoform.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPdfDocument>
#include <QPdfView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeView>

// Finishing a transport in preview mode shows the rendered ticket before anything is printed; the window thread
// goes on while the ticket renders, and closing the program in the middle of it ends the print.
class TestTicketPreview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void previewAfterFinish()
    {
        QTemporaryDir dir;
        TestDatabase databases;
        const QString home = prepareHome(dir, databases, 3);
        QStringList messages;
        setMessageHook([&](const MessageRequest &r) {
            messages.append(r.text);
            return 1;
        });

        Kelvo kelvo(home);
        QVERIFY(startKelvo(kelvo));

        int pages = -1;
        // The window thread's own loop carries the render: a heartbeat ticks while it runs, and no loop is nested.
        int beatsDuringRender = 0;
        QTimer heartbeat;
        heartbeat.setInterval(10);
        connect(&heartbeat, &QTimer::timeout, this, [&] {
            if (kelvo.printQueue().findChild<PageRenderer *>() && QThread::currentThread()->loopLevel() == 0)
                ++beatsDuringRender;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->objectName() != QLatin1String("ticketPreview") || !w->isVisible())
                    continue;
                if (auto *view = w->findChild<QPdfView *>())
                    pages = view->document()->pageCount();
                for (QPushButton *b : w->findChildren<QPushButton *>()) {
                    if (b->text() == QStringLiteral("Bezárás"))
                        b->click();
                }
            }
        });
        heartbeat.start();
        whenShown(kelvo.befejezesform(), [&] {
            Ui::Tbefejezesform *b = kelvo.befejezesform()->ui();
            b->raktar->setEditText(QStringLiteral("Fő raktár"));
            QTest::mouseClick(b->kezisuly, Qt::LeftButton);
            b->suly2->setText(QStringLiteral("11220"));
            QTest::mouseClick(b->Button1, Qt::LeftButton);
        });
        kelvo.commands().finishTransport();
        QTRY_VERIFY_WITH_TIMEOUT(kelvo.printQueue().idle() && pages >= 0, 60000);
        heartbeat.stop();
        setMessageHook({});

        QCOMPARE(messages, QStringList());
        QCOMPARE(pages, 1);
        QVERIFY(beatsDuringRender > 0);
        QVERIFY(kelvo.Foform()->ui()->lista->isEnabled());
        const std::optional<Transport> stored = Transport::load(ownConnection(kelvo)->db(), 1);
        QVERIFY(stored);
        QVERIFY(stored->kezi);
        QCOMPARE(stored->nyomtatva, 0); // closed without printing
        QVERIFY(QFile::exists(home + QStringLiteral("out.htm")));
    }

    // The main window closed while a ticket renders and another waits: the print ends, nothing is printed or
    // counted, and the program ends.
    void closingWhileRendering()
    {
        QTemporaryDir dir;
        TestDatabase databases;
        const QString home = prepareHome(dir, databases, 1);
        setMessageHook([](const MessageRequest &) { return 1; });
        Kelvo kelvo(home);
        QVERIFY(startKelvo(kelvo));
        Transport t;
        t.sorszam = 1;
        t.rendszam = QStringLiteral("ABC-123");
        t.suly1 = 24360;
        t.suly2 = 11220;
        t.bedatum = t.kidatum = QDateTime::currentDateTime();
        QCOMPARE(t.insert(ownConnection(kelvo)->db()), QString());
        bool ended = false;
        connect(&kelvo, &Kelvo::ended, this, [&] { ended = true; });

        kelvo.printTicket(1, QStringLiteral("merlegjegy.htm"));
        kelvo.printTicket(1, QStringLiteral("merlegjegy.htm"));
        QTRY_VERIFY_WITH_TIMEOUT(kelvo.printQueue().findChild<PageRenderer *>(), 60000);
        kelvo.Foform()->close();
        QVERIFY(ended);
        QVERIFY(kelvo.printQueue().idle());
        QVERIFY(!kelvo.printQueue().findChild<PageRenderer *>());
        QTest::qWait(200); // let anything the abandoned render left behind show itself
        setMessageHook({});

        QVERIFY(!QFile::exists(home + QStringLiteral("out.pdf")));
        Database db(kelvo.worker()->path());
        QCOMPARE(db.open(), QString());
        QCOMPARE(Transport::load(db.db(), 1)->nyomtatva, 0);
    }

private:
    static QString prepareHome(QTemporaryDir &dir, TestDatabase &databases, int printMode)
    {
        const QString home = dir.path() + QLatin1Char('/');
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("xdg")).toUtf8());
        if (!QFile::copy(QStringLiteral(KELVO_SOURCE_DIR "/share/merlegjegy.htm"), home + QStringLiteral("merlegjegy.htm")))
            return {};
        if (!TestDatabase::writeIni(home, databases.created(QStringLiteral("kelvo")),
                                    QStringLiteral("[Opt]\nkarbantart=0\nPrintmode=%1\n[ComPort1]\nPort=/nonexistent\n")
                                        .arg(printMode)
                                        .toUtf8()))
            return {};
        QFile company(home + QStringLiteral("sajatceg.txt"));
        if (!company.open(QIODevice::WriteOnly) || company.write("Teszt Kft.\r\n") <= 0)
            return {};
        return home;
    }

    static bool startKelvo(Kelvo &kelvo)
    {
        if (!startSettled(kelvo))
            return false;
        InProgress::Row row;
        row.rendszam = QStringLiteral("ABC-123");
        row.cegnev = QStringLiteral("Agro Kft.");
        row.suly1 = 24360;
        row.egysegar = 52000;
        row.bedatum = QDateTime::currentDateTime();
        InProgress::write(ownConnection(kelvo)->db(), row);
        return true;
    }
};

int main(int argc, char *argv[])
{
    // The ticket renderer needs its environment before the application object exists, as in the program.
    HtmlPdfRenderer::prepareEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestTicketPreview test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ticketpreview.moc"
