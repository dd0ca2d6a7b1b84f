#include "../support/Settle.h"
#include "../support/TestDatabase.h"

#include "Database.h"
#include "DatabaseWorker.h"
#include "MasterTableModel.h"
#include "MessageBoxes.h"
#include "Sql.h"
#include "T_adatbazisok.h"
#include "WorkerCall.h"

#include "ui_T_adatbazisok.h"

#include <QApplication>
#include <QTest>

#include <memory>

// The master data editor writes what the grid takes through the worker, refuses what does not fit, and keeps
// finished transports.
class TestEditorform : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<DatabaseWorker> m_worker;
    QStringList m_messages;

    QVariant stored(const QString &sql) { return Sql::value(m_database->db(), sql); }
    // The window with table chosen and read, as the operator sees it once the worker is quiet.
    void open(T_adatbazisok &w, int table)
    {
        w.prepare(m_worker.get());
        w.chooseTable(table);
        settle(m_worker.get());
    }
    // A cell as the grid shows it, its page read first.
    QString shown(const MasterTableModel *model, int row, const QString &column)
    {
        const QModelIndex cell = model->index(row, model->fieldIndex(column));
        cell.data();
        settle(m_worker.get());
        return cell.data().toString();
    }
    // The row of the grid whose id is id.
    int rowOf(const MasterTableModel *model, qint64 id)
    {
        for (int r = 0; r < model->rowCount(); ++r) {
            if (shown(model, r, QStringLiteral("id")).toLongLong() == id)
                return r;
        }
        return -1;
    }

private slots:
    void initTestCase()
    {
        KELVO_REQUIRE_ENGINE();
        setMessageHook([this](const MessageRequest &request) {
            m_messages.append(request.text);
            return 1;
        });
    }
    void init()
    {
        m_messages.clear();
        m_databases = std::make_unique<TestDatabase>();
        const QString path = m_databases->created(QStringLiteral("editor"));
        m_database = std::make_unique<Database>(path);
        QCOMPARE(m_database->open(), QString());
        Sql::run(m_database->db(), QStringLiteral("INSERT INTO szallito (rendszam, nev, tarasuly) VALUES ('ABC-123', 'Alfa', 900)"));
        Sql::run(m_database->db(), QStringLiteral("INSERT INTO szallitasok (sorszam, rendszam, suly1) VALUES (7, 'ABC-123', 5000)"));
        Sql::run(m_database->db(), QStringLiteral("INSERT INTO szallitasok (sorszam, rendszam, suly1) VALUES (8, 'DEF-456', 6000)"));
        m_worker = std::make_unique<DatabaseWorker>();
        QCOMPARE(m_worker->open(path).result(), QString());
    }
    void cleanup()
    {
        m_worker.reset();
        m_database.reset();
        m_databases.reset();
    }

    void altDoubleClickUnlocks_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("plain") << Qt::KeyboardModifiers() << false;
        QTest::newRow("alt") << Qt::KeyboardModifiers(Qt::AltModifier) << true;
    }
    void altDoubleClickUnlocks()
    {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, enabled);
        T_adatbazisok w;
        w.prepare(m_worker.get());
        w.show();
        QVERIFY(!w.ui()->adatbazis->isEnabled());
        QCOMPARE(w.ui()->adatbazis->currentIndex(), -1);
        // The window tells how to unlock while it is locked.
        QVERIFY(w.ui()->zarolas->isVisible());
        QTest::mouseDClick(w.ui()->grid->viewport(), Qt::LeftButton, modifiers);
        QCOMPARE(w.ui()->adatbazis->isEnabled(), enabled);
        QCOMPARE(w.ui()->zarolas->isVisible(), !enabled);
        w.release();
    }

    // An edit the checks or the database turn down says why, writes nothing, and the grid shows the stored value.
    void edits_data()
    {
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("typed");
        QTest::addColumn<QString>("expected"); // the stored value as text
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("caption"); // the column's header, also the name a refusal gives it
        QTest::newRow("integer") << 0 << "tarasuly" << QVariant("1200") << "1200" << false << "Tára súly";
        QTest::newRow("text in integer") << 0 << "tarasuly" << QVariant("sok") << "900" << true << "Tára súly";
        QTest::newRow("text") << 0 << "nev" << QVariant("Béta") << QString::fromUtf8("Béta") << false
                              << "Szállító neve";
        QTest::newRow("serial of another ticket") << 3 << "sorszam" << QVariant("8") << "7" << true << "Sorszám";
        QTest::newRow("weight of a ticket") << 3 << "suly1" << QVariant("5100") << "5100" << false
                                            << "Első tömeg (kg)";
    }
    void edits()
    {
        QFETCH(int, table);
        QFETCH(QString, column);
        QFETCH(QVariant, typed);
        QFETCH(QString, expected);
        QFETCH(bool, refused);
        QFETCH(QString, caption);
        T_adatbazisok w;
        open(w, table);
        MasterTableModel *model = w.model();
        QCOMPARE(model->rowCount(), table == 0 ? 1 : 2);
        QCOMPARE(model->headerData(model->fieldIndex(column), Qt::Horizontal, Qt::DisplayRole).toString(), caption);
        const QString was = shown(model, 0, column);
        const QString sql = table == 0 ? QStringLiteral("SELECT %1 FROM szallito").arg(column)
                                       : QStringLiteral("SELECT %1 FROM szallitasok WHERE rendszam = 'ABC-123'").arg(column);
        const bool taken = model->setData(model->index(0, model->fieldIndex(column)), typed);
        // While the write runs the window says so and takes no other edit.
        QCOMPARE(WorkerCall::Busy::running(&w), taken);
        QCOMPARE(w.ui()->navigator->isEnabled(), !taken);
        QCOMPARE(model->flags(model->index(0, model->fieldIndex(column))).testFlag(Qt::ItemIsEditable), !taken);
        settle(m_worker.get());
        QVERIFY(!WorkerCall::Busy::running(&w));
        QCOMPARE(m_messages.size(), refused ? 1 : 0);
        if (refused && column != u"sorszam") // the database's own text names no field
            QVERIFY2(m_messages.first().contains(QLatin1Char('"') + caption + QLatin1Char('"')),
                     qPrintable(m_messages.first()));
        QCOMPARE(stored(sql).toString(), expected);
        QCOMPARE(shown(model, 0, column), expected);
        QCOMPARE(was == expected, refused);
        // Only a ticket's edit that went through is in the trail, with its serial and both sides of the weight and
        // its keyed mark, written together.
        QCOMPARE(stored(QStringLiteral("SELECT sorszam || ' ' || esemeny || ' ' || regi || ' ' || uj FROM naplo")),
                 table == 3 && !refused ? QVariant(QStringLiteral("7 szerkesztés suly1=5000; jel1= suly1=5100; jel1=K"))
                                        : QVariant());
        w.release();
        QCOMPARE(w.ui()->adatbazis->currentIndex(), -1);
    }

    void insertsAndDeletesMasterRows()
    {
        T_adatbazisok w;
        open(w, 0);
        MasterTableModel *model = w.model();
        QVERIFY(model->insertRow(model->rowCount()));
        const int row = model->rowCount() - 1;
        QVERIFY(model->setData(model->index(row, model->fieldIndex(QStringLiteral("rendszam"))), QStringLiteral("XYZ-9")));
        QVERIFY(model->submitAll());
        settle(m_worker.get());
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM szallito WHERE rendszam = 'XYZ-9' AND nev = ''")).toInt(), 1);
        QVERIFY(!model->isDirty());
        QCOMPARE(shown(model, row, QStringLiteral("id")),
                 stored(QStringLiteral("SELECT id FROM szallito WHERE rendszam = 'XYZ-9'")).toString());
        const qint64 first = stored(QStringLiteral("SELECT id FROM szallito WHERE rendszam = 'ABC-123'")).toLongLong();
        QVERIFY(model->removeRow(rowOf(model, first)));
        settle(m_worker.get());
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM szallito")).toInt(), 1);
        QCOMPARE(model->rowCount(), 1);

        // A transport in progress that is deleted leaves what it held in the trail.
        Sql::run(m_database->db(), QStringLiteral("INSERT INTO folyamatban (rendszam, suly1) VALUES ('GHI-789', 4000)"));
        T_adatbazisok inProgress;
        open(inProgress, 2);
        QVERIFY(inProgress.model()->removeRow(0));
        settle(m_worker.get());
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM folyamatban")).toInt(), 0);
        QCOMPARE(stored(QStringLiteral("SELECT esemeny FROM naplo")).toString(), QStringLiteral("folyamatban törlés"));
        QVERIFY(stored(QStringLiteral("SELECT regi FROM naplo")).toString().contains(QStringLiteral("rendszam=GHI-789")));
        QCOMPARE(m_messages, QStringList());
    }

    void finishedTransportsAreEditedOnly()
    {
        T_adatbazisok w;
        open(w, 3);
        MasterTableModel *model = w.model();
        QCOMPARE(model->rowCount(), 2);
        QVERIFY(!w.ui()->navInsert->isEnabled());
        QVERIFY(!model->insertRow(0));
        QVERIFY(!model->removeRow(0));
        settle(m_worker.get());
        QCOMPARE(m_messages.size(), 2);
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM szallitasok")).toInt(), 2);
    }
};

QTEST_MAIN(TestEditorform)
#include "tst_editorform.moc"
