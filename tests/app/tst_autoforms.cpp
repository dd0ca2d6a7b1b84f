#include "../support/FreezableProxy.h"
#include "../support/Settle.h"
#include "../support/TestDatabase.h"

#include "Config.h"
#include "CsvSaving.h"
#include "DatabaseWorker.h"
#include "Sql.h"
#include "IniFile.h"
#include "MessageBoxes.h"
#include "PagedDocument.h"
#include "Tautomeresek.h"
#include "Tautomeresform.h"

#include "ui_Tautomeresek.h"
#include "ui_Tautomeresform.h"

#include <QAction>
#include <QHeaderView>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include <memory>

// The two windows of automatic weighing: the logger runs only while its window is open; the list shows a date
// range of the stored weights, read on the worker, and refuses to print or save what it does not list.
class TestAutoForms : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    QString m_path;
    // On a server the worker reaches it through a relay, so that a test can take the server away.
    std::unique_ptr<FreezableProxy> m_proxy;
    std::unique_ptr<DatabaseWorker> m_worker;
    QStringList m_messages;

    static QString shown(const Tautomeresek &w)
    {
        const QAbstractItemModel *model = w.ui()->lista->model();
        QStringList parts;
        for (int r = 0; r < model->rowCount(); ++r)
            parts.append(model->index(r, 0).data().toString() + QLatin1Char('=') + model->index(r, 1).data().toString());
        return parts.join(QLatin1Char(' '));
    }
    static QString status(const Tautomeresek &w) { return w.findChild<QStatusBar *>()->currentMessage(); }
    static void trigger(Tautomeresek &w, const char *action)
    {
        w.findChild<QAction *>(QLatin1String(action))->trigger();
    }
    void search(Tautomeresek &w, const QDate &from, const QDate &to)
    {
        w.ui()->date1->setDate(from);
        w.ui()->date2->setDate(to);
        trigger(w, "mKereses");
        settle(m_worker.get());
    }

private slots:
    void initTestCase()
    {
        KELVO_REQUIRE_ENGINE();
        setMessageHook([this](const MessageRequest &request) {
            m_messages.append(request.text.trimmed());
            return 0;
        });
    }
    void init()
    {
        m_messages.clear();
        m_databases = std::make_unique<TestDatabase>();
        m_path = m_databases->created(QStringLiteral("auto"));
        // Stored out of time order: the list keeps the order of storing.
        QVERIFY(TestDatabase::exec(m_path, "INSERT INTO auto (datumido, suly) VALUES ('2026-03-04 12:00:00', 300);"
                                         "INSERT INTO auto (datumido, suly) VALUES ('2026-03-03 23:59:59', 100);"
                                         "INSERT INTO auto (datumido, suly) VALUES ('2026-03-04 00:00:00', 200);"
                                         "INSERT INTO auto (datumido, suly) VALUES ('2026-03-04 23:59:59', 400);"
                                         "INSERT INTO auto (datumido, suly) VALUES ('2026-03-05 00:00:00', 500)"));
        QString reached = m_path;
        if (TestDatabase::onServer()) {
            m_proxy = std::make_unique<FreezableProxy>();
            QVERIFY(m_proxy->start(TestDatabase::serverUri()));
            reached = m_proxy->uriFor(m_path);
        }
        m_worker = std::make_unique<DatabaseWorker>();
        QFuture<QString> opened = m_worker->open(reached);
        QTRY_VERIFY(opened.isFinished());
        QCOMPARE(opened.result(), QString());
    }
    void cleanup()
    {
        m_worker.reset();
        m_proxy.reset();
        m_databases.reset();
    }

    void search_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("message");

        const QDate day(2026, 3, 4);
        QTest::newRow("one whole day") << day << day
                                       << "2026.03.04 12:00:00=300 2026.03.04 00:00:00=200 2026.03.04 23:59:59=400"
                                       << "";
        QTest::newRow("three days") << day.addDays(-1) << day.addDays(1)
                                    << "2026.03.04 12:00:00=300 2026.03.03 23:59:59=100 2026.03.04 00:00:00=200 "
                                       "2026.03.04 23:59:59=400 2026.03.05 00:00:00=500"
                                    << "";
        QTest::newRow("start after end") << day << day.addDays(-1) << "" << "Hibás intervallumok !";
        QTest::newRow("nothing stored") << day.addDays(2) << day.addDays(9) << ""
                                        << "A megadott időintervallumban nincs szállítás rögzítve !";
    }
    void search()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, listed);
        QFETCH(QString, message);

        Tautomeresek w;
        w.prepare(m_worker.get(), nullptr, from, m_databases->dir().path());
        search(w, from, to);
        QCOMPARE(shown(w), listed);
        QCOMPARE(status(w), listed.isEmpty() ? QString() : QStringLiteral("%1 találat.").arg(listed.count(u'=')));
        QCOMPARE(m_messages.join(u'|'), message);
    }

    // A search that finds nothing empties the list, so that the earlier result is neither printed nor saved.
    void emptySearchRefusesPrintAndSave()
    {
        Tautomeresek w;
        int pages = 0;
        w.setReportViewer([&pages](std::unique_ptr<PagedDocument> report) { pages = report->pageCount(); });
        QString saved;
        CsvSaving::setFileQuestion([&](QWidget *, const QString &) {
            return saved = m_databases->dir().filePath(QStringLiteral("auto.csv"));
        });
        w.prepare(m_worker.get(), nullptr, QDate(2026, 3, 4), m_databases->dir().path());
        trigger(w, "mKereses");
        settle(m_worker.get());
        trigger(w, "mNyomtatas");
        settle(m_worker.get());
        trigger(w, "mMentes");
        QCOMPARE(pages, 1);
        QFile csv(saved);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(), QByteArray("\xEF\xBB\xBF\"datumido\";\"suly\"\r\n2026.03.04 12:00:00;300\r\n"
                                           "2026.03.04 00:00:00;200\r\n2026.03.04 23:59:59;400\r\n"));

        search(w, QDate(2026, 4, 1), QDate(2026, 4, 1));
        QCOMPARE(w.ui()->lista->model()->rowCount(), 0);
        QCOMPARE(status(w), QString());
        pages = 0;
        m_messages.clear();
        trigger(w, "mNyomtatas");
        trigger(w, "mMentes");
        QCOMPARE(pages, 0);
        QCOMPARE(m_messages, (QStringList{QStringLiteral("Nincs nyomtatandó szállítás !"),
                                          QStringLiteral("Nincs mentendő eredmény.")}));
        CsvSaving::setFileQuestion({});
    }

    // With no width stored, the date-time column widens to its rows at first use; what the operator drags is
    // stored and kept, even where it cuts.
    void columnWidthsLiveInTheIniFile()
    {
        IniFile ini(m_databases->dir().filePath(QStringLiteral("Kelvo.ini")));
        const QString at = QStringLiteral("2026.03.04 23:59:59");
        for (const bool stored : {false, true}) {
            Tautomeresek w;
            w.show();
            w.prepare(m_worker.get(), &ini, QDate(2026, 3, 4), m_databases->dir().path());
            QHeaderView *header = w.ui()->lista->header();
            QCOMPARE(header->sectionSize(0), stored ? 90 : 100);
            search(w, QDate(2026, 3, 4), QDate(2026, 3, 4));
            QVERIFY(shown(w).contains(at));
            const int text = w.ui()->lista->fontMetrics().horizontalAdvance(at);
            if (stored) {
                QCOMPARE(header->sectionSize(0), 90);
            } else {
                QVERIFY2(header->sectionSize(0) > text, qPrintable(QString::number(header->sectionSize(0))));
                header->resizeSection(0, 90);
            }
            w.release();
            QCOMPARE(ini.readInteger(QLatin1String(Keys::kAutomeresekOszlop), QStringLiteral("0"), 0), 90);
        }
    }

    // The logger samples while its window is open, and stops with it.
    void loggerRunsWhileOpen()
    {
        Tautomeresform w;
        w.setSource({[] { return qint64(0); }, [] { return true; }, [] {}},
                    [](const QDateTime &, qint64) { return QtFuture::makeReadyFuture(); });
        w.setMinimum(300);
        QCOMPARE(w.ui()->idobox->count(), 4);
        w.show();
        QVERIFY(w.run()->running());
        QTRY_COMPARE(w.findChild<QLabel *>(QStringLiteral("allapot"))->text(),
                     QStringLiteral("A mérés indításához hajtson a mérlegre !\n(min. 300kg tömeg szükséges)"));
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QVERIFY(!w.run()->running());
    }

    // A weight is told stored, and the zero flag cleared, only once the worker has stored it; a store that fails
    // (the table gone, the server gone) is told failed and keeps the flag. No second store starts meanwhile.
    void storesOnTheWorker_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("stored") << "";
        QTest::newRow("table gone") << "table";
        QTest::newRow("server gone") << "server";
    }
    void storesOnTheWorker()
    {
        QFETCH(QString, fault);
        if (fault == u"server" && !m_proxy)
            QSKIP("a server connection");
        qint64 now = 0;
        int stores = 0, cleared = 0;
        AutoWeighingRun run({[] { return qint64(5000); }, [] { return true; }, [&cleared] { ++cleared; }},
                            [&](const QDateTime &at, qint64 weight) {
                                ++stores;
                                return Tautomeresform::store(m_worker.get(), at, weight);
                            },
                            nullptr, [&now] { return now; });
        QSignalSpy stored(&run, &AutoWeighingRun::stored);
        QSignalSpy failed(&run, &AutoWeighingRun::storeFailed);
        if (fault == u"table")
            QVERIFY(TestDatabase::exec(m_path, "DROP TABLE auto"));
        else if (fault == u"server")
            m_proxy->stop();
        // A worker that already knows the server is gone refuses at once; any other outcome waits for the worker.
        for (now = 0; now <= 20000 && stored.count() + failed.count() == 0; now += 1000)
            run.sampleNow();
        QCOMPARE(stores, 1);
        if (fault != u"server")
            QCOMPARE(stored.count() + failed.count(), 0);
        settle(m_worker.get());
        QCOMPARE(stored.count(), fault.isEmpty() ? 1 : 0);
        QCOMPARE(failed.count(), fault.isEmpty() ? 0 : 1);
        QCOMPARE(cleared, fault.isEmpty() ? 1 : 0);
        if (fault.isEmpty()) {
            QCOMPARE(stored.first().at(1).toLongLong(), 5000);
            QVERIFY(run.rules().lastSaved().startsWith(QStringLiteral("Tömeg: 5000 kg")));
        } else {
            QVERIFY(run.rules().shownStatus().startsWith(QStringLiteral("A tömegérték mentése nem sikerült: ")));
            QCOMPARE(run.rules().lastSaved(), QStringLiteral("-"));
        }
        // The vehicle still there is stored again when its next countdown is up; offline that store is refused at once.
        const qint64 again = now + 1000;
        for (now = again; now <= again + 5000; now += 1000)
            run.sampleNow();
        settle(m_worker.get());
        QCOMPARE(stores, 2);
        QCOMPARE(failed.count(), fault.isEmpty() ? 0 : 2);
        if (fault == u"server")
            QCOMPARE(failed.last().at(0).toString(), QStringLiteral("A tömegérték mentése nem sikerült: ") +
                                                         QString::fromUtf8(DatabaseWorker::kOffline));
    }
};

QTEST_MAIN(TestAutoForms)
#include "tst_autoforms.moc"
