#include "../support/Settle.h"
#include "../support/SimulatorProcess.h"
#include "../support/TestDatabase.h"
#include "StationFolderTest.h"

#include "AutoTable.h"
#include "CameraWiring.h"
#include "InProgress.h"
#include "InProgressModel.h"
#include "Kelvo.h"
#include "MainCommands.h"
#include "MessageBoxes.h"
#include "Pictures.h"
#include "TicketPicturesPanel.h"

#include "TFoform.h"
#include "TSzallitasokform.h"
#include "Tbefejezesform.h"
#include "Tkezdesform.h"
#include "ui_TSzallitasokform.h"
#include "ui_Tbefejezesform.h"
#include "ui_Tkezdesform.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

constexpr int kSlowMs = 15000;
constexpr int kDeadLimitMs = 600;

using Seen = QList<std::tuple<int, int, QString>>; // weighing, camera, missing reason ("" present)

bool isJpeg(const QByteArray &bytes)
{
    return bytes.startsWith("\xff\xd8");
}

Seen seen(const QList<Pictures::Picture> &pictures)
{
    Seen out;
    for (const Pictures::Picture &p : pictures) {
        if (p.present() && !isJpeg(p.jpeg))
            out.append({p.weighing, p.camera, QStringLiteral("not a JPEG")});
        else
            out.append({p.weighing, p.camera, p.missing});
    }
    return out;
}

} // namespace

// The window program with two cameras: scalesim and two camsim cameras run as real processes on the loopback, one
// answering, one dead. Each weighing stores both pictures, the dead camera's as missing with its reason, and is not
// failed by it.
class TestCameraWiring : public StationFolderTest
{
    Q_OBJECT

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void init() { setUpFolder(); }
    void cleanup() { tearDownFolder(); }

    // A transport in and out, then an unattended weight: the pictures of every weighing are stored with it, the
    // first weighing's move to the ticket, the status bar names the camera that did not answer, and the search
    // window shows the ticket's pictures, read once for a list moved fast.
    void picturesOfEveryWeighing()
    {
        SimulatorProcess good(QStringLiteral(CAMSIM_PATH), {QStringLiteral("--name"), QStringLiteral("Bejárat")});
        SimulatorProcess dead(QStringLiteral(CAMSIM_PATH), {QStringLiteral("--dead")});
        QVERIFY(good.firstLine().toUShort() > 0);
        QVERIFY(dead.firstLine().toUShort() > 0);
        scaleShows(24360);
        TestDatabase::writeIni(m_home, m_datapath,
                               "[Opt]\nkarbantart=0\nPrintmode=0\n[ComPort1]\nPort=" + m_home.toUtf8() +
                                   "scale\n[Kamera1]\nURL=http://127.0.0.1:" + good.firstLine().toUtf8() +
                                   "/snapshot.jpg\nName=Bejárat\n[Kamera2]\nURL=http://127.0.0.1:" +
                                   dead.firstLine().toUtf8() + "/\nName=Hátsó\nTimeout=" +
                                   QByteArray::number(kDeadLimitMs) + "\n");
        auto kelvo = std::make_unique<Kelvo>(m_home, nullptr, 200);
        QVERIFY(startSettled(*kelvo));
        QTRY_VERIFY_WITH_TIMEOUT(kelvo->state() != Kelvo::State::Starting, kSlowMs);
        QCOMPARE(kelvo->state(), Kelvo::State::Running);
        QCOMPARE(kelvo->cameras().cameras().size(), 2);
        auto *status = kelvo->Foform()->findChild<QLabel *>(QStringLiteral("StatusPanelKamera"));
        QVERIFY(status && status->isHidden());
        const QString deadReason = QStringLiteral("Nincs válasz %1 ms alatt").arg(kDeadLimitMs);

        // The first weighing: while the pictures come the window keeps its weight and refuses a second store.
        bool busyMeanwhile = false;
        whenShown(kelvo->kezdesform(), [&] {
            Ui::Tkezdesform *k = kelvo->kezdesform()->ui();
            k->rendszam->setEditText(QStringLiteral("ABC-123"));
            k->nev->setEditText(QStringLiteral("Agro Kft."));
            k->ugyfelnev->setEditText(QStringLiteral("Malom Zrt."));
            k->termeknev->setEditText(QStringLiteral("Búza"));
            QTRY_COMPARE_WITH_TIMEOUT(k->suly1->text(), QStringLiteral("24360"), kSlowMs);
            QTest::mouseClick(k->Button1, Qt::LeftButton);
            busyMeanwhile = !k->Button1->isEnabled() && kelvo->cameras().pending() == 1 &&
                            kelvo->kezdesform()->isVisible();
            kelvo->kezdesform()->reject(); // refused while storing
            busyMeanwhile = busyMeanwhile && kelvo->kezdesform()->isVisible();
            QTRY_VERIFY_WITH_TIMEOUT(!m_messages.isEmpty() || !kelvo->kezdesform()->isVisible(), kSlowMs);
            if (kelvo->kezdesform()->isVisible())
                kelvo->kezdesform()->reject();
        });
        kelvo->commands().newTransport();
        settle(*kelvo);
        QVERIFY(busyMeanwhile);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'|')));
        auto own = ownConnection(*kelvo);
        const auto row = InProgress::find(own->db(), QStringLiteral("ABC-123"));
        QVERIFY(row);
        QCOMPARE(row->suly1, qint64(24360));
        QCOMPARE(seen(Pictures::ofInProgress(own->db(), row->rowId)),
                 (Seen{{1, 1, QString()}, {1, 2, deadReason}}));
        QVERIFY(!status->isHidden());
        QCOMPARE(status->toolTip(), QStringLiteral("Hátsó: ") + deadReason);

        // Finished: the first weighing's pictures are on the ticket with the second's.
        scaleShows(11220);
        whenShown(kelvo->befejezesform(), [&] {
            Ui::Tbefejezesform *b = kelvo->befejezesform()->ui();
            b->raktar->setEditText(QStringLiteral("Fő raktár"));
            QTRY_COMPARE_WITH_TIMEOUT(b->suly2->text(), QStringLiteral("11220"), kSlowMs);
            QTest::mouseClick(b->Button1, Qt::LeftButton);
        });
        kelvo->commands().finishTransport();
        settle(*kelvo);
        QTRY_VERIFY_WITH_TIMEOUT(!kelvo->befejezesform()->isVisible(), kSlowMs);
        settle(*kelvo);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'|')));
        QCOMPARE(kelvo->inProgress()->rowCount(), 0);
        const qint64 serial = kelvo->befejezesform()->lastSerial();
        QVERIFY(serial > 0);
        QCOMPARE(seen(Pictures::ofSerial(own->db(), serial)),
                 (Seen{{1, 1, QString()}, {1, 2, deadReason}, {2, 1, QString()}, {2, 2, deadReason}}));
        QCOMPARE(Pictures::countOfInProgress(own->db(), row->rowId), qint64(0));

        // The search window: the ticket's four pictures, the dead camera's with its reason; moved over fast, the
        // list reads the pictures of the ticket it stops at, once.
        TSzallitasokform *search = kelvo->Szallitasokform();
        search->prepare(kelvo->worker(), nullptr, kelvo->today(), 30, m_home);
        search->show();
        search->todayList();
        settle(*kelvo);
        QCOMPARE(search->ui()->lista->model()->rowCount(), 1);
        TicketPicturesPanel *panel = search->picturesPanel();
        const int readsBefore = panel->readsStarted();
        for (int i = 0; i < 30; ++i) {
            search->ui()->lista->setCurrentIndex(search->ui()->lista->model()->index(0, 0));
            search->ui()->lista->clearSelection();
        }
        search->ui()->lista->setCurrentIndex(search->ui()->lista->model()->index(0, 0));
        QTRY_COMPARE_WITH_TIMEOUT(panel->shownSerial(), serial, kSlowMs);
        QCOMPARE(panel->readsStarted() - readsBefore, 1);
        QVERIFY(panel->isVisible());
        QStringList texts;
        for (int i = 0; i < panel->list()->count(); ++i)
            texts.append(panel->list()->item(i)->text());
        QCOMPARE(texts, (QStringList{QStringLiteral("1. mérés – Bejárat"),
                                     QStringLiteral("1. mérés – Hátsó\n") + deadReason,
                                     QStringLiteral("2. mérés – Bejárat"),
                                     QStringLiteral("2. mérés – Hátsó\n") + deadReason}));
        panel->enlarge(2);
        QVERIFY(panel->largeView() && panel->largeView()->isVisible());
        QVERIFY(panel->largeView()->findChild<QLabel *>()->pixmap().width() > TicketPicturesPanel::kThumbSize.width());
        panel->largeView()->close();
        search->hide();
        search->release();

        // An unattended weight: its pictures with it.
        QFuture<void> stored = kelvo->commands().storeAutoWeighing(QDateTime::currentDateTime(), 17500);
        QTRY_VERIFY_WITH_TIMEOUT(stored.isFinished(), kSlowMs);
        stored.waitForFinished();
        const QList<AutoTable::Row> autos = AutoTable::list(own->db(), QDate::currentDate(), QDate::currentDate());
        QCOMPARE(autos.size(), 1);
        QCOMPARE(autos.first().suly, qint64(17500));
        QCOMPARE(seen(Pictures::ofAuto(own->db(), autos.first().sorszam)),
                 (Seen{{1, 1, QString()}, {1, 2, deadReason}}));
        kelvo->shutdown();
    }
};

QTEST_MAIN(TestCameraWiring)
#include "tst_camerawiring.moc"
