#include "../support/FreezableProxy.h"
#include "../support/SimulatorProcess.h"
#include "../support/Settle.h"
#include "../support/TestDatabase.h"

#include "Config.h"
#include "Database.h"
#include "FirstWeighing.h"
#include "InProgress.h"
#include "InProgressModel.h"
#include "Kelvo.h"
#include "MainCommands.h"
#include "MasterData.h"
#include "TNumEdit.h"
#include "MessageBoxes.h"
#include "Sql.h"
#include "TicketPrintQueue.h"
#include "Transport.h"
#include "WeightLink.h"
#include "WorkerCall.h"

#include "TFoform.h"
#include "Tbefejezesform.h"
#include "Tkezdesform.h"
#include "ui_TFoform.h"
#include "ui_Tbefejezesform.h"
#include "ui_Tkezdesform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QSqlQuery>
#include <QGuiApplication>

namespace {

const QString kNoScaleWeight = QStringLiteral("Nincs kapcsolat a mérleggel, a súly nem vehető át !\r\r");

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

// The main job end to end: the scale simulator feeds the weights, the operator works the two weighing windows
// offscreen, and the ticket row and the filled ticket come out. Runs on the engine of the run (TestDatabase).
class TestWeighingFlow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestDatabase> m_databases;
    QString m_home;
    QString m_datapath;
    QStringList m_messages;

    std::unique_ptr<Kelvo> start(const QByteArray &extraIni = {})
    {
        // Settings of [Opt] join the first one: a second section of the same name is never read.
        QByteArray opt = "karbantart=0\nPrintmode=0\n";
        QByteArray extra = extraIni;
        if (extra.startsWith("[Opt]\n"))
            opt += std::exchange(extra, {}).sliced(6);
        TestDatabase::writeIni(m_home, m_datapath,
                               "[Opt]\n" + opt + "[ComPort1]\nPort=" + m_home.toUtf8() + "scale\n" + extra);
        auto kelvo = std::make_unique<Kelvo>(m_home, nullptr, 200);
        kelvo->setPrinterCheck([] { return true; });
        if (!kelvo->createWindows())
            return kelvo;
        kelvo->firstShow();
        kelvo->initialise();
        settle(*kelvo);
        return kelvo;
    }

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_databases = std::make_unique<TestDatabase>();
        m_datapath = m_databases->created(QStringLiteral("kelvo"));
        m_home = m_dir->path() + QLatin1Char('/');
        qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("xdg")).toUtf8());
        writeFile(m_home + QStringLiteral("sajatceg.txt"), "Teszt Kft.\r\n");
        QVERIFY(QFile::copy(QStringLiteral(KELVO_SOURCE_DIR "/share/merlegjegy.htm"),
                            m_home + QStringLiteral("merlegjegy.htm")));
        m_messages.clear();
        setMessageHook([this](const MessageRequest &r) {
            m_messages.append(r.text);
            return 1;
        });
    }
    void cleanup()
    {
        setMessageHook({});
        m_databases.reset();
        m_dir.reset();
    }

    void truckInAndOutWithTheScale()
    {
        const QString link = m_home + QStringLiteral("scale");
        auto scale = std::make_unique<SimulatorProcess>(
            QStringLiteral(SCALESIM_PATH),
            QStringList{QStringLiteral("--weight"), QStringLiteral("24360"), QStringLiteral("--interval"),
                        QStringLiteral("50"), QStringLiteral("--link"), link});
        QVERIFY(!scale->firstLine().isEmpty());
        auto kelvo = start();
        QCOMPARE(kelvo->state(), Kelvo::State::Running);
        Ui::TFoform *main = kelvo->Foform()->ui();
        QTRY_COMPARE_WITH_TIMEOUT(main->sulylabel1->text(), QStringLiteral("24 360"), 10000);

        // First weighing: the weight comes from the scale into the open window.
        bool firstDone = false;
        QTimer::singleShot(0, this, [&] {
            Ui::Tkezdesform *k = kelvo->kezdesform()->ui();
            QVERIFY(kelvo->kezdesform()->isVisible());
            // The window opens at once; recording waits for its lists.
            QTRY_VERIFY(k->Button1->isEnabled());
            k->rendszam->setEditText(QStringLiteral("ABC-123"));
            k->nev->setEditText(QStringLiteral("Agro Kft."));
            k->ugyfelnev->setEditText(QStringLiteral("Malom Zrt."));
            k->termeknev->setEditText(QStringLiteral("Búza"));
            k->egysegar->setText(QStringLiteral("52000"));
            QTRY_COMPARE_WITH_TIMEOUT(k->suly1->text(), QStringLiteral("24360"), 10000);
            QTest::mouseClick(k->Button1, Qt::LeftButton);
            firstDone = true;
        });
        kelvo->commands().newTransport();
        settle(*kelvo);
        QVERIFY(firstDone);
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(kelvo->Foform()->statusPanel(0)->text(), QStringLiteral(" Folyamatban lévő szállítások: 1"));
        QCOMPARE(kelvo->inProgress()->row(0).suly1, qint64(24360));

        // The truck comes back empty: another reading on the same line.
        scale.reset();
        scale = std::make_unique<SimulatorProcess>(
            QStringLiteral(SCALESIM_PATH),
            QStringList{QStringLiteral("--weight"), QStringLiteral("11220"), QStringLiteral("--interval"),
                        QStringLiteral("50"), QStringLiteral("--link"), link});
        QTRY_COMPARE_WITH_TIMEOUT(main->sulylabel1->text(), QStringLiteral("11 220"), 15000);

        bool secondDone = false;
        whenShown(kelvo->befejezesform(), [&] {
            Ui::Tbefejezesform *b = kelvo->befejezesform()->ui();
            // The only transport in progress is preset.
            QCOMPARE(b->rendszam->currentText(), QStringLiteral("ABC-123"));
            b->raktar->setEditText(QStringLiteral("Fő raktár"));
            b->tisztasag->setText(QStringLiteral("98"));
            b->viztartalom->setText(QStringLiteral("18,5"));
            b->elvartviz->setText(QStringLiteral("14"));
            QTRY_COMPARE_WITH_TIMEOUT(b->suly2->text(), QStringLiteral("11220"), 10000);
            QTest::mouseClick(b->Button1, Qt::LeftButton);
            secondDone = true;
        });
        kelvo->commands().finishTransport();
        settle(*kelvo);
        QVERIFY(secondDone);
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(kelvo->Foform()->statusPanel(0)->text(), QStringLiteral(" Folyamatban lévő szállítások: 0"));

        const auto t = Transport::load(ownConnection(*kelvo)->db(), 1);
        QVERIFY(t);
        QCOMPARE(t->suly1, qint64(24360));
        QCOMPARE(t->suly2, qint64(11220));
        QCOMPARE(t->nettosuly, qint64(13140));
        QCOMPARE(t->elszamolt, qint64(12298));
        QCOMPARE(t->osszeg, 639496.0);
        QCOMPARE(t->raktar, QStringLiteral("Fő raktár"));
        QCOMPARE(t->kezi, false);
        QTRY_VERIFY(kelvo->printQueue().idle());
        QFile ticket(m_home + QStringLiteral("out.htm"));
        QVERIFY(ticket.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(ticket.readAll());
        QVERIFY(html.contains(QStringLiteral("ABC-123")));
        QVERIFY(html.contains(QStringLiteral("Agro Kft.")));
        QVERIFY(!html.contains(QStringLiteral("%rendszam%")));
    }

    void rowCommands()
    {
        auto kelvo = start();
        const auto own = ownConnection(*kelvo);
        const QSqlDatabase db = own->db();
        for (const char *plate : {"AAA-111", "BBB-222"}) {
            InProgress::Row row;
            row.rendszam = QLatin1String(plate);
            row.suly1 = 15000;
            row.irany = 1;
            row.bedatum = QDateTime::currentDateTime();
            InProgress::write(db, row);
        }
        kelvo->commands().fillInProgressList();
        settle(*kelvo);
        Ui::TFoform *ui = kelvo->Foform()->ui();
        QTreeView *list = ui->lista;

        // Nothing selected: the row commands are off.
        kelvo->commands().updateMenus();
        settle(*kelvo);
        QVERIFY(!ui->mIranyCsere->isEnabled());
        QVERIFY(ui->mOsszesTorles->isEnabled());
        QVERIFY(!ui->mIsmetles->isEnabled());

        list->setCurrentIndex(kelvo->inProgress()->index(1, 0));
        kelvo->commands().updateMenus();
        settle(*kelvo);
        QVERIFY(ui->mIranyCsere->isEnabled());
        QVERIFY(ui->pTorles->isEnabled());

        ui->mIranyCsere->trigger();

        settle(*kelvo);
        QCOMPARE(kelvo->inProgress()->index(1, 6).data().toString(), QStringLiteral("Beszállítás"));
        QCOMPARE(list->selectionModel()->selectedRows().value(0).row(), 1);

        // The toolbar's "Befejezés" opens the second weighing for the truck selected, as a double-click does.
        QString preset;
        whenShown(kelvo->befejezesform(), [&] {
            preset = kelvo->befejezesform()->ui()->rendszam->currentText();
            kelvo->befejezesform()->reject();
        });
        ui->bbefejez->trigger();
        settle(*kelvo);
        QCOMPARE(preset, QStringLiteral("BBB-222"));
        list->setCurrentIndex(kelvo->inProgress()->index(1, 0));

        // Re-weigh takes only a weight the scale is sending now.
        ui->mUjrameres->trigger();
        settle(*kelvo);
        QCOMPARE(InProgress::find(db, QStringLiteral("BBB-222"))->suly1, qint64(15000));
        QCOMPARE(m_messages.last(), kNoScaleWeight);
        kelvo->weightLink()->decodeFrame("ST,GS,  17360kg\r\n");
        ui->mUjrameres->trigger();
        settle(*kelvo);
        QCOMPARE(InProgress::find(db, QStringLiteral("BBB-222"))->suly1, qint64(17360));
        QCOMPARE(m_messages.last(), QStringLiteral("Módosítja a rögzített tömeget a jelenleg mért értékkel ?\r\r\r"));

        QTest::keyClick(list, Qt::Key_Delete);
        settle(*kelvo);
        QCOMPARE(m_messages.last(), QStringLiteral("Törli a(z) BBB-222 rendszámú megkezdett szállítást a listából ?\r\r"));
        QCOMPARE(InProgress::count(db), qint64(1));
        QCOMPARE(kelvo->Foform()->statusPanel(0)->text(), QStringLiteral(" Folyamatban lévő szállítások: 1"));

        ui->mOsszesTorles->trigger();

        settle(*kelvo);
        QCOMPARE(InProgress::count(db), qint64(0));
        kelvo->commands().updateMenus();
        settle(*kelvo);
        QVERIFY(!ui->mOsszesTorles->isEnabled());

        // Finishing with nothing in progress says so and opens nothing.
        m_messages.clear();
        ui->bbefejez->trigger();
        settle(*kelvo);
        QCOMPARE(m_messages, QStringList{QStringLiteral("Jelenleg egy szállítás sincs megkezdve !\r\r")});
    }

    // A weight minutes old, or no weight at all, is never recorded as the truck's: after the watchdog the
    // windows refuse the scale weight (a weight typed by hand still goes), and so does re-weigh.
    void staleWeightIsRefused_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("first weighing") << "first";
        QTest::newRow("second weighing") << "second";
        QTest::newRow("re-weigh") << "reweigh";
    }
    void staleWeightIsRefused()
    {
        QFETCH(QString, command);
        auto kelvo = start();
        const auto own = ownConnection(*kelvo);
        const QSqlDatabase db = own->db();
        InProgress::Row row;
        row.rendszam = QStringLiteral("ABC-123");
        row.cegnev = QStringLiteral("Agro Kft.");
        row.suly1 = 24360;
        row.bedatum = QDateTime::currentDateTime();
        InProgress::write(db, row);
        kelvo->commands().fillInProgressList();
        settle(*kelvo);
        Ui::Tkezdesform *k = kelvo->kezdesform()->ui();
        Ui::Tbefejezesform *b = kelvo->befejezesform()->ui();
        kelvo->kezdesform()->show();
        kelvo->befejezesform()->prepare(QString(), [](bool) {});
        settle(*kelvo);
        kelvo->befejezesform()->show();
        WeightLink *link = kelvo->weightLink();
        link->decodeFrame("11220\r\n");
        QCOMPARE(k->suly1->text(), QStringLiteral("11220"));
        link->watchdogTick();
        QCOMPARE(k->suly1->text(), QString());
        QCOMPARE(b->suly2->text(), QString());

        const auto attempt = [&] {
            if (command == u"first") {
                k->rendszam->setEditText(QStringLiteral("XYZ-999"));
                k->nev->setEditText(QStringLiteral("Agro Kft."));
                k->ugyfelnev->setEditText(QStringLiteral("Malom Zrt."));
                k->termeknev->setEditText(QStringLiteral("Búza"));
                k->Button7->click();
            } else if (command == u"second") {
                b->raktar->setEditText(QStringLiteral("Fő raktár"));
                b->Button1->click();
            } else {
                kelvo->Foform()->ui()->lista->setCurrentIndex(kelvo->inProgress()->index(0, 0));
                kelvo->Foform()->ui()->mUjrameres->trigger();
                settle(*kelvo);
            }
        };
        attempt();
        settle(*kelvo);
        QCOMPARE(m_messages.value(0), kNoScaleWeight);
        QCOMPARE(InProgress::count(db), qint64(1));
        QCOMPARE(InProgress::find(db, QStringLiteral("ABC-123"))->suly1, qint64(24360));
        QVERIFY(!Transport::load(db, 1));

        // The link comes back: the same command goes through.
        m_messages.clear();
        link->decodeFrame("11220\r\n");
        attempt();
        settle(*kelvo);
        QVERIFY2(!m_messages.contains(kNoScaleWeight), qPrintable(m_messages.join(u'|')));
        if (command == u"first")
            QCOMPARE(InProgress::find(db, QStringLiteral("XYZ-999"))->suly1, qint64(11220));
        else if (command == u"second")
            QCOMPARE(Transport::load(db, 1)->suly2, qint64(11220));
        else
            QCOMPARE(InProgress::find(db, QStringLiteral("ABC-123"))->suly1, qint64(11220));
    }

    // Enter accepts a completion or moves on; it never records a transport with a direction nobody chose, and a
    // plate typed into the second weighing is refused, not added to the list of plates in progress.
    void enterRecordsNothing()
    {
        auto kelvo = start("[Opt]\nenablehand=1\n");
        const auto own = ownConnection(*kelvo);
        const QSqlDatabase db = own->db();
        Ui::Tkezdesform *k = kelvo->kezdesform()->ui();
        kelvo->kezdesform()->prepare();
        settle(*kelvo);
        kelvo->kezdesform()->show();
        k->rendszam->setEditText(QStringLiteral("ABC-123"));
        k->nev->setEditText(QStringLiteral("Agro Kft."));
        k->ugyfelnev->setEditText(QStringLiteral("Malom Zrt."));
        kelvo->weightLink()->decodeFrame("24360\r\n");
        k->termeknev->setFocus();
        QTest::keyClicks(k->termeknev, QStringLiteral("Buza"));
        QTest::keyClick(k->termeknev, Qt::Key_Return);
        settle(*kelvo);
        QCOMPARE(InProgress::count(db), qint64(0));
        QVERIFY(kelvo->kezdesform()->isVisible());
        QCOMPARE(k->termeknev->count(), 0);
        kelvo->kezdesform()->hide();

        InProgress::Row row;
        row.rendszam = QStringLiteral("ABC-123");
        row.suly1 = 24360;
        row.bedatum = QDateTime::currentDateTime();
        InProgress::write(db, row);
        Ui::Tbefejezesform *b = kelvo->befejezesform()->ui();
        bool ready = false;
        kelvo->befejezesform()->prepare(QString(), [&ready](bool r) { ready = r; });
        settle(*kelvo);
        QVERIFY(ready);
        kelvo->befejezesform()->show();
        b->raktar->setEditText(QStringLiteral("Fő raktár"));
        b->rendszam->setEditText(QString());
        b->rendszam->setFocus();
        QTest::keyClicks(b->rendszam, QStringLiteral("NINCS-1"));
        QTest::keyClick(b->rendszam, Qt::Key_Return);
        settle(*kelvo);
        QCOMPARE(m_messages, QStringList{QStringLiteral("A rendszám nem megfelelő !\r\r")});
        QCOMPARE(b->rendszam->count(), 1);
        QVERIFY(!Transport::load(db, 1));
    }

    // A database failure inside a command reaches the operator as a message with the database's text; the program
    // runs on, and after a lost server connection the next command works again.
    void failingCommandIsReported_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("text");
        QTest::newRow("table dropped") << "drop" << "folyamatban";
        QTest::newRow("connection lost") << "terminate" << "terminating connection";
    }
    void failingCommandIsReported()
    {
        QFETCH(QString, failure);
        QFETCH(QString, text);
        if (failure == u"terminate" && !TestDatabase::onServer())
            QSKIP("a file has no server connection to lose");
        auto kelvo = start();
        if (failure == u"drop")
            QVERIFY(QSqlQuery(ownConnection(*kelvo)->db()).exec(QStringLiteral("DROP TABLE folyamatban")));
        else
            QVERIFY(TestDatabase::exec(m_datapath, QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                                                  "WHERE datname = current_database() "
                                                                  "AND pid <> pg_backend_pid()")));
        kelvo->Foform()->ui()->bbefejez->trigger();
        settle(*kelvo);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains(text), qPrintable(m_messages.first()));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        if (failure == u"terminate") {
            kelvo->Foform()->ui()->bbefejez->trigger();
            settle(*kelvo);
            QCOMPARE(m_messages.value(1), QStringLiteral("Jelenleg egy szállítás sincs megkezdve !\r\r"));
        }
    }

    // A server that stops answering while a first weighing is recorded. The window thread runs on (the click returns
    // while the command waits), the recording fails within its limit and stores nothing, the status bar tells that
    // the station is offline and the next command is refused at once; the status bar tells again when the server is
    // back. A station closed while a command waits on the frozen server ends.
    void frozenServerIsAState()
    {
        if (!TestDatabase::onServer())
            QSKIP("a server connection");
        FreezableProxy proxy;
        QVERIFY(proxy.start(TestDatabase::serverUri()));
        const QString direct = std::exchange(m_datapath, proxy.uriFor(m_datapath));
        auto kelvo = start();
        m_datapath = direct;
        QVERIFY2(kelvo->state() == Kelvo::State::Running, qPrintable(m_messages.join(QLatin1Char('\n'))));
        Tkezdesform *window = kelvo->kezdesform();
        Ui::Tkezdesform *k = window->ui();
        window->prepare();
        settle(*kelvo);
        window->show();
        k->rendszam->setEditText(QStringLiteral("ABC-123"));
        k->nev->setEditText(QStringLiteral("Agro Kft."));
        k->ugyfelnev->setEditText(QStringLiteral("Malom Zrt."));
        k->termeknev->setEditText(QStringLiteral("Búza"));
        kelvo->weightLink()->decodeFrame("24360\r\n");

        proxy.setFrozen(true);
        QTest::mouseClick(k->Button1, Qt::LeftButton);
        QVERIFY(WorkerCall::Busy::running(window));
        QTRY_VERIFY_WITH_TIMEOUT(!WorkerCall::Busy::running(window), 20000);
        QCOMPARE(m_messages.size(), 1);
        const QString offline = kelvo->Foform()->statusPanel(2)->text();
        QVERIFY2(offline.startsWith(QStringLiteral("Nincs kapcsolat az adatbázissal: ")), qPrintable(offline));
        QTest::mouseClick(k->Button1, Qt::LeftButton);
        QTRY_COMPARE(m_messages.value(1), QString::fromUtf8(DatabaseWorker::kOffline) + QStringLiteral("\r\r"));

        proxy.setFrozen(false);
        QTRY_COMPARE_WITH_TIMEOUT(kelvo->Foform()->statusPanel(2)->text(), QStringLiteral("Az adatbázis újra elérhető."),
                                  20000);
        {
            Database own(direct);
            QCOMPARE(own.open(), QString());
            QCOMPARE(InProgress::count(own.db()), qint64(0));
        }

        window->hide();
        proxy.setFrozen(true);
        kelvo->commands().fillInProgressList();
        kelvo->Foform()->close();
        QCOMPARE(kelvo->state(), Kelvo::State::Ended);
    }

    void tareMemoryThroughTheWindows_data()
    {
        QTest::addColumn<bool>("second");
        QTest::newRow("first weighing") << false;
        QTest::newRow("second weighing") << true;
    }
    void tareMemoryThroughTheWindows()
    {
        QFETCH(bool, second);
        auto kelvo = start();
        const auto own = ownConnection(*kelvo);
        const QSqlDatabase db = own->db();
        MasterData::saveVehicle(db, {0, QStringLiteral("ABC-123"), QStringLiteral("Agro Kft."), {}, {}, {}, {}, {}});
        QComboBox *plate = second ? kelvo->befejezesform()->ui()->rendszam : kelvo->kezdesform()->ui()->rendszam;
        QCheckBox *manual = second ? kelvo->befejezesform()->ui()->kezisuly : kelvo->kezdesform()->ui()->kezisuly;
        TNumEdit *weight = second ? kelvo->befejezesform()->ui()->suly2 : kelvo->kezdesform()->ui()->suly1;
        QPushButton *save = second ? kelvo->befejezesform()->ui()->tarament : kelvo->kezdesform()->ui()->tarament;
        QPushButton *recall = second ? kelvo->befejezesform()->ui()->tarabe : kelvo->kezdesform()->ui()->tarabe;

        plate->setEditText(QStringLiteral("ABC-123"));
        QTest::mouseClick(manual, Qt::LeftButton);
        QVERIFY(!weight->isReadOnly());
        weight->setText(QStringLiteral("11220"));
        QTest::mouseClick(save, Qt::LeftButton);
        settle(*kelvo);
        QCOMPARE(MasterData::vehicleByPlate(db, QStringLiteral("ABC-123"))->tarasuly, QStringLiteral("11220"));
        QTest::mouseClick(manual, Qt::LeftButton);
        QCOMPARE(weight->text(), QStringLiteral("0"));
        QVERIFY(weight->isReadOnly());
        QTest::mouseClick(recall, Qt::LeftButton);
        settle(*kelvo);
        QVERIFY(manual->isChecked());
        QCOMPARE(weight->text(), QStringLiteral("11220"));
        QCOMPARE(m_messages, QStringList());

        plate->setEditText(QStringLiteral("NINCS-1"));
        QTest::mouseClick(save, Qt::LeftButton);
        settle(*kelvo);
        QTest::mouseClick(recall, Qt::LeftButton);
        settle(*kelvo);
        QCOMPARE(m_messages,
                 (QStringList{second ? QStringLiteral("Társúlyt csak rögzített rendszámhoz rendelhet !\r\r")
                                     : QStringLiteral("Tárasúlyt csak felvett rendszámhoz rendelhet !\r\r"),
                              QStringLiteral("A kiválasztott rendszámhoz nem tartozik rögzített tárasúly !\r\r")}));
    }

    // A weight typed for one truck is never the next one's: each opening turns manual weight off and the box
    // follows the scale again.
    void nextTruckTakesTheScaleWeight_data() { tareMemoryThroughTheWindows_data(); }
    void nextTruckTakesTheScaleWeight()
    {
        QFETCH(bool, second);
        auto kelvo = start();
        const auto own = ownConnection(*kelvo);
        const QSqlDatabase db = own->db();
        Tkezdesform *first = kelvo->kezdesform();
        Tbefejezesform *finish = kelvo->befejezesform();
        QDialog *window = second ? static_cast<QDialog *>(finish) : first;
        QCheckBox *manual = second ? finish->ui()->kezisuly : first->ui()->kezisuly;
        TNumEdit *weight = second ? finish->ui()->suly2 : first->ui()->suly1;
        for (const char *plate : {"AAA-111", "BBB-222"}) {
            InProgress::Row row;
            row.rendszam = QLatin1String(plate);
            row.suly1 = 24360;
            row.bedatum = QDateTime::currentDateTime();
            if (second)
                InProgress::write(db, row);
        }
        const auto weigh = [&](const char *plate) {
            if (second) {
                bool ready = false;
                finish->prepare(QLatin1String(plate), [&ready](bool r) { ready = r; });
                settle(*kelvo);
                QVERIFY(ready);
                finish->ui()->raktar->setEditText(QStringLiteral("Fő raktár"));
            } else {
                first->prepare();
                settle(*kelvo);
                first->ui()->rendszam->setEditText(QLatin1String(plate));
                first->ui()->nev->setEditText(QStringLiteral("Agro Kft."));
                first->ui()->ugyfelnev->setEditText(QStringLiteral("Malom Zrt."));
                first->ui()->termeknev->setEditText(QStringLiteral("Búza"));
            }
            window->show();
            settle(*kelvo);
            // A reading of now: waiting for the window may have outlasted the link's short watchdog.
            kelvo->weightLink()->decodeFrame("11220\r\n");
        };
        const auto stored = [&](int serial, const char *plate) {
            return second ? Transport::load(db, serial)->suly2 : InProgress::find(db, QLatin1String(plate))->suly1;
        };
        weigh("AAA-111");
        QTest::mouseClick(manual, Qt::LeftButton);
        weight->setText(QStringLiteral("30000"));
        (second ? finish->ui()->Button1 : first->ui()->Button1)->click();
        settle(*kelvo);
        QVERIFY(!window->isVisible());
        QCOMPARE(stored(1, "AAA-111"), qint64(30000));

        weigh("BBB-222");
        QVERIFY(!manual->isChecked());
        QVERIFY(weight->isReadOnly());
        QCOMPARE(weight->text(), QStringLiteral("11220"));
        kelvo->weightLink()->decodeFrame("12340\r\n");
        QCOMPARE(weight->text(), QStringLiteral("12340"));
        (second ? finish->ui()->Button1 : first->ui()->Button1)->click();
        settle(*kelvo);
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(stored(2, "BBB-222"), qint64(12340));
    }

    // In network mode another station's first weighing shows in the list by itself, keeping the selected plate
    // selected, on a server and on a shared file alike; the refresh command reads it at once.
    void otherStationsWeighingIsListed()
    {
        auto kelvo = start("[Opt]\nhalozati=1\n");
        QCOMPARE(kelvo->state(), Kelvo::State::Running);
        Ui::TFoform *ui = kelvo->Foform()->ui();
        QVERIFY(ui->bfrissit->isVisible() && ui->mFrissites->isVisible());
        InProgress::Row row;
        row.rendszam = QStringLiteral("MMM-500");
        row.bedatum = QDateTime::currentDateTime();
        InProgress::write(ownConnection(*kelvo)->db(), row);
        kelvo->commands().fillInProgressList();
        settle(*kelvo);
        ui->lista->setCurrentIndex(kelvo->inProgress()->index(0, 0));

        Database other(m_datapath);
        QCOMPARE(other.open(), QString());
        const auto weighIn = [&](const char *plate) {
            FirstWeighing::Input in;
            in.rendszam = QLatin1String(plate);
            in.nev = QStringLiteral("Agro Kft.");
            in.ugyfelnev = QStringLiteral("Malom Zrt.");
            in.termeknev = QStringLiteral("Búza");
            in.suly1 = QStringLiteral("24360");
            const auto answer = [] { return OverwriteAnswer::Current; };
            QCOMPARE(FirstWeighing::record(other.db(), in, 999999, answer, QDateTime::currentDateTime()).status,
                     FirstWeighing::Outcome::Status::Saved);
        };
        weighIn("AAA-100");
        // A server announces the change; a shared file is looked at every second.
        QTRY_COMPARE_WITH_TIMEOUT(kelvo->inProgress()->rowCount(), 2, 2500);
        const QModelIndexList selected = ui->lista->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data().toString(), QStringLiteral("MMM-500"));
        // The refresh command reads the list at once, from the button and from F6's menu item.
        for (QAction *refresh : {ui->bfrissit, ui->mFrissites}) {
            weighIn(refresh == ui->bfrissit ? "ZZZ-900" : "ZZZ-901");
            refresh->trigger();
            settle(*kelvo);
            QCOMPARE(kelvo->inProgress()->rowCount(), refresh == ui->bfrissit ? 3 : 4);
        }
        QCOMPARE(kelvo->inProgress()->row(0).rendszam, QStringLiteral("AAA-100"));
        QCOMPARE(m_messages, QStringList());
    }

    void helpMissing()
    {
        auto kelvo = start();
        kelvo->Foform()->ui()->helpbtn->trigger();
        settle(*kelvo);
        QCOMPARE(m_messages, QStringList{QStringLiteral("A súgó nem található !\r\r")});
    }
};

QTEST_MAIN(TestWeighingFlow)
#include "tst_weighingflow.moc"
