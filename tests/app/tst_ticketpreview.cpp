#include "../support/Settle.h"
#include "../support/TestDatabase.h"

#include "Database.h"
#include "HtmlPdfRenderer.h"
#include "InProgress.h"
#include "Kelvo.h"
#include "MainCommands.h"
#include "MessageBoxes.h"
#include "Schema.h"
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
#include <QTimer>
#include <QTreeView>

// Finishing a transport in preview mode shows the rendered ticket before anything is printed.
class TestTicketPreview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void previewAfterFinish()
    {
        QTemporaryDir dir;
        TestDatabase databases;
        const QString home = dir.path() + QLatin1Char('/');
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("xdg")).toUtf8());
        QVERIFY(QFile::copy(QStringLiteral(KELVO_SOURCE_DIR "/share/merlegjegy.htm"),
                            home + QStringLiteral("merlegjegy.htm")));
        QVERIFY(TestDatabase::writeIni(home, databases.created(QStringLiteral("kelvo")),
                                       "[Opt]\nkarbantart=0\nPrintmode=3\n[ComPort1]\nPort=/nonexistent\n"));
        QFile company(home + QStringLiteral("sajatceg.txt"));
        QVERIFY(company.open(QIODevice::WriteOnly));
        company.write("Teszt Kft.\r\n");
        company.close();
        QStringList messages;
        setMessageHook([&](const MessageRequest &r) {
            messages.append(r.text);
            return 1;
        });

        Kelvo kelvo(home);
        kelvo.setPrinterCheck([] { return true; });
        QVERIFY(kelvo.createWindows());
        kelvo.firstShow();
        kelvo.initialise();
        settle(kelvo);
        InProgress::Row row;
        row.rendszam = QStringLiteral("ABC-123");
        row.cegnev = QStringLiteral("Agro Kft.");
        row.suly1 = 24360;
        row.egysegar = 52000;
        row.bedatum = QDateTime::currentDateTime();
        InProgress::write(kelvo.database()->db(), row);

        int pages = -1;
        bool finishing = false;
        bool mainTookInput = false; // while the ticket renders, the main window must not start another command
        QTimer watcher;
        watcher.setInterval(20);
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (finishing && !QApplication::activeModalWidget() && kelvo.Foform()->ui()->lista->isEnabled())
                mainTookInput = true;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->objectName() != QLatin1String("ticketPreview") || !w->isVisible())
                    continue;
                if (auto *view = w->findChild<QPdfView *>())
                    pages = view->document()->pageCount();
                for (QPushButton *b : w->findChildren<QPushButton *>()) {
                    if (b->text() == QStringLiteral("Bezárás")) {
                        b->click();
                        finishing = false; // the ticket is out: the main window takes commands again
                    }
                }
            }
        });
        watcher.start();
        whenShown(kelvo.befejezesform(), [&] {
            Ui::Tbefejezesform *b = kelvo.befejezesform()->ui();
            b->raktar->setEditText(QStringLiteral("Fő raktár"));
            QTest::mouseClick(b->kezisuly, Qt::LeftButton);
            b->suly2->setText(QStringLiteral("11220"));
            finishing = true;
            QTest::mouseClick(b->Button1, Qt::LeftButton);
        });
        kelvo.commands().finishTransport(false);
        settle(kelvo);
        watcher.stop();
        setMessageHook({});

        QCOMPARE(messages, QStringList());
        QCOMPARE(pages, 1);
        QVERIFY(!mainTookInput);
        QVERIFY(kelvo.Foform()->ui()->lista->isEnabled());
        QVERIFY(Transport::load(kelvo.database()->db(), 1));
        QVERIFY(Transport::load(kelvo.database()->db(), 1)->kezi);
        QVERIFY(QFile::exists(home + QStringLiteral("out.htm")));
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
