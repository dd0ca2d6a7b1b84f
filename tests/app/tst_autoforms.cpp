#include "../support/TestDatabase.h"

#include "Config.h"
#include "CsvSaving.h"
#include "Database.h"
#include "IniFile.h"
#include "MessageBoxes.h"
#include "PagedDocument.h"
#include "Tautomeresek.h"
#include "Tautomeresform.h"

#include "ui_Tautomeresek.h"
#include "ui_Tautomeresform.h"

#include <QAction>
#include <QHeaderView>
#include <QStatusBar>
#include <QTest>

#include <memory>

// The two windows of automatic weighing: the logger runs only while its window is open; the list shows a date
// range of the stored weights and refuses to print or save what it does not list.
class TestAutoForms : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    std::unique_ptr<Database> m_database;
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
        const QString path = m_databases->created(QStringLiteral("auto"));
        // Stored out of time order: the list keeps the order of storing.
        QVERIFY(TestDatabase::exec(path, "INSERT INTO auto (datumido, suly) VALUES ('2026-03-04 12:00:00', 300);"
                                         "INSERT INTO auto (datumido, suly) VALUES ('2026-03-03 23:59:59', 100);"
                                         "INSERT INTO auto (datumido, suly) VALUES ('2026-03-04 00:00:00', 200);"
                                         "INSERT INTO auto (datumido, suly) VALUES ('2026-03-04 23:59:59', 400);"
                                         "INSERT INTO auto (datumido, suly) VALUES ('2026-03-05 00:00:00', 500)"));
        m_database = std::make_unique<Database>(path);
        QCOMPARE(m_database->open(), QString());
    }
    void cleanup()
    {
        m_database.reset();
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
        w.prepare(m_database.get(), nullptr, from, m_databases->dir().path());
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
        w.prepare(m_database.get(), nullptr, QDate(2026, 3, 4), m_databases->dir().path());
        trigger(w, "mKereses");
        trigger(w, "mNyomtatas");
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

    void columnWidthsLiveInTheIniFile()
    {
        IniFile ini(m_databases->dir().filePath(QStringLiteral("Kelvo.ini")));
        QVERIFY(ini.writeInteger(QLatin1String(Keys::kAutomeresekOszlop), QStringLiteral("0"), 150));
        Tautomeresek w;
        w.prepare(m_database.get(), &ini, QDate(2026, 3, 4), m_databases->dir().path());
        QCOMPARE(w.ui()->lista->header()->sectionSize(0), 150);
        QCOMPARE(w.ui()->lista->header()->sectionSize(1), 100);
        w.ui()->lista->header()->resizeSection(1, 130);
        w.release();
        QCOMPARE(ini.readInteger(QLatin1String(Keys::kAutomeresekOszlop), QStringLiteral("1"), 0), 130);
    }

    // The logger samples while its window is open, and stops with it.
    void loggerRunsWhileOpen()
    {
        Tautomeresform w;
        w.setSource({[] { return qint64(0); }, [] { return true; }, [] {}}, [](const QDateTime &, qint64) {});
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
};

QTEST_MAIN(TestAutoForms)
#include "tst_autoforms.moc"
