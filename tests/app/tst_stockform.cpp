#include "../records/StockFixture.h"
#include "../support/Settle.h"

#include "Database.h"
#include "MessageBoxes.h"
#include "PagedDocument.h"
#include "StockQuery.h"
#include "Tkeszletform.h"

#include "ui_Tkeszletform.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QStatusBar>
#include <QTest>

#include <memory>

// The stock window lists what the report core lists for the filters its controls hold.
class TestStockform : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    std::unique_ptr<DatabaseWorker> m_worker;
    std::unique_ptr<Database> m_database;
    QStringList m_messages;

    // The list as shown: "product=quantity text".
    static QString shown(const Tkeszletform &w)
    {
        const QAbstractItemModel *model = w.ui()->lista->model();
        QStringList parts;
        for (int r = 0; r < model->rowCount(); ++r)
            parts.append(model->index(r, 0).data().toString() + QLatin1Char('=') + model->index(r, 1).data().toString());
        return parts.join(QLatin1Char(' '));
    }
    static QString listed(const QList<StockQuery::Row> &rows)
    {
        QStringList parts;
        for (const StockQuery::Row &row : rows)
            parts.append(row.termeknev + QLatin1Char('=') + StockQuery::quantityText(row.mennyiseg));
        return parts.join(QLatin1Char(' '));
    }

private slots:
    void initTestCase()
    {
        KELVO_REQUIRE_ENGINE();
        setMessageHook([this](const MessageRequest &request) {
            m_messages.append(request.text);
            return 0;
        });
    }
    void init()
    {
        m_messages.clear();
        m_databases = std::make_unique<TestDatabase>();
        const QString path = m_databases->created(QStringLiteral("stock"));
        QVERIFY(StockFixture::fill(path));
        m_database = std::make_unique<Database>(path);
        QCOMPARE(m_database->open(), QString());
        m_worker = std::make_unique<DatabaseWorker>();
        QCOMPARE(m_worker->open(path).result(), QString());
    }
    void cleanup()
    {
        m_worker.reset();
        m_database.reset();
        m_databases.reset();
    }

    void listsWhatTheCoreLists()
    {
        Tkeszletform w;
        w.prepare(m_worker.get(), QDate(2026, 3, 4), 3, m_databases->dir().path());
        settle(m_worker.get());
        QCOMPARE(w.ui()->termeknev->itemText(0), QStringLiteral("<mindegy>"));
        QCOMPARE(w.ui()->d1->date(), QDate(2026, 3, 1));
        w.ui()->irany->setCurrentIndex(1);
        w.ui()->datumkozt->setChecked(true);
        QVERIFY(w.ui()->d1->isEnabled());
        w.ui()->cegnev->setEditText(QStringLiteral("Gamma")); // typed, no entry: no filter
        w.findChild<QAction *>(QStringLiteral("mKereses"))->trigger();
        settle(m_worker.get());
        QCOMPARE(shown(w), QStringLiteral("corn=3 000 wheat=10 000"));
        QCOMPARE(shown(w), listed(StockQuery::run(m_database->db(), w.filter())));
        QCOMPARE(w.findChild<QStatusBar *>()->currentMessage(), QStringLiteral(" 2 találat."));

        // The quantity header of a fresh sort state sorts descending, and the report runs again.
        emit w.ui()->lista->header()->sectionClicked(1);
        settle(m_worker.get());
        QCOMPARE(shown(w), QStringLiteral("wheat=10 000 corn=3 000"));

        w.ui()->d2->setDate(QDate(2026, 2, 1));
        w.findChild<QAction *>(QStringLiteral("mKereses"))->trigger();
        settle(m_worker.get());
        QCOMPARE(m_messages, QStringList{QStringLiteral("Hibás időintervallumok !\r\r")});
    }

    // Printing refuses an empty list and hands a listed one to the preview.
    void printHandsTheListToThePreview()
    {
        Tkeszletform w;
        w.prepare(m_worker.get(), QDate(2026, 3, 4), 3, m_databases->dir().path());
        settle(m_worker.get());
        int pages = 0;
        w.setReportViewer([&pages](std::unique_ptr<PagedDocument> report) { pages = report->pageCount(); });
        w.printList();
        QCOMPARE(pages, 0);
        QCOMPARE(m_messages.size(), 1);
        w.findChild<QAction *>(QStringLiteral("mKereses"))->trigger();
        settle(m_worker.get());
        w.printList();
        QCOMPARE(pages, 1);
    }
};

QTEST_MAIN(TestStockform)
#include "tst_stockform.moc"
