#include "../support/TestDatabase.h"

#include "Database.h"
#include "MasterTableModel.h"
#include "MessageBoxes.h"
#include "Sql.h"
#include "T_adatbazisok.h"

#include "ui_T_adatbazisok.h"

#include <QApplication>
#include <QSqlError>
#include <QTest>

#include <memory>

// The master data editor writes what the grid takes, refuses what does not fit, and keeps finished transports.
class TestEditorform : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    std::unique_ptr<Database> m_database;
    QStringList m_messages;

    QVariant stored(const QString &sql) { return Sql::value(m_database->db(), sql); }
    // The row of the grid whose id is id.
    static int rowOf(const MasterTableModel *model, qint64 id)
    {
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->index(r, model->fieldIndex(QStringLiteral("id"))).data().toLongLong() == id)
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
    }
    void cleanup()
    {
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
        w.prepare(m_database.get());
        w.show();
        QVERIFY(!w.ui()->adatbazis->isEnabled());
        QCOMPARE(w.ui()->adatbazis->currentIndex(), -1);
        QTest::mouseDClick(w.ui()->grid->viewport(), Qt::LeftButton, modifiers);
        QCOMPARE(w.ui()->adatbazis->isEnabled(), enabled);
        w.release();
    }

    void edits_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("typed");
        QTest::addColumn<QString>("expected"); // the stored value as text
        QTest::addColumn<int>("messages");
        QTest::newRow("integer") << "tarasuly" << QVariant("1200") << "1200" << 0;
        QTest::newRow("text in integer") << "tarasuly" << QVariant("sok") << "900" << 1;
        QTest::newRow("text") << "nev" << QVariant("Béta") << QString::fromUtf8("Béta") << 0;
    }
    void edits()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, typed);
        QFETCH(QString, expected);
        QFETCH(int, messages);
        T_adatbazisok w;
        w.prepare(m_database.get());
        w.chooseTable(0);
        MasterTableModel *model = w.model();
        QCOMPARE(model->tableName(), QStringLiteral("szallito"));
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->setData(model->index(0, model->fieldIndex(column)), typed), messages == 0);
        QCOMPARE(m_messages.size(), messages);
        QCOMPARE(stored(QStringLiteral("SELECT %1 FROM szallito").arg(column)).toString(), expected);
        w.release();
        QCOMPARE(w.ui()->adatbazis->currentIndex(), -1);
    }

    void insertsAndDeletesMasterRows()
    {
        T_adatbazisok w;
        w.prepare(m_database.get());
        w.chooseTable(0);
        MasterTableModel *model = w.model();
        QVERIFY(model->insertRow(model->rowCount()));
        const int row = model->rowCount() - 1;
        QVERIFY(model->setData(model->index(row, model->fieldIndex(QStringLiteral("rendszam"))), QStringLiteral("XYZ-9")));
        QVERIFY2(model->submitAll(), qPrintable(model->lastError().text()));
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM szallito WHERE rendszam = 'XYZ-9' AND nev = ''")).toInt(), 1);
        const qint64 first = stored(QStringLiteral("SELECT id FROM szallito WHERE rendszam = 'ABC-123'")).toLongLong();
        QVERIFY(model->removeRow(rowOf(model, first)));
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM szallito")).toInt(), 1);
        QCOMPARE(m_messages, QStringList());
    }

    void finishedTransportsAreEditedOnly()
    {
        T_adatbazisok w;
        w.prepare(m_database.get());
        w.chooseTable(3);
        MasterTableModel *model = w.model();
        QCOMPARE(model->rowCount(), 1);
        QVERIFY(!w.ui()->navInsert->isEnabled());
        QVERIFY(!model->insertRow(0));
        QVERIFY(!model->removeRow(0));
        QCOMPARE(m_messages.size(), 2);
        QVERIFY(model->setData(model->index(0, model->fieldIndex(QStringLiteral("suly1"))), QStringLiteral("5100")));
        QCOMPARE(stored(QStringLiteral("SELECT suly1 FROM szallitasok WHERE sorszam = 7")).toInt(), 5100);
        QCOMPARE(stored(QStringLiteral("SELECT COUNT(*) FROM szallitasok")).toInt(), 1);
        // The edit is in the trail, with the ticket's serial and both values.
        QCOMPARE(stored(QStringLiteral("SELECT sorszam || ' ' || esemeny || ' ' || regi || ' ' || uj FROM naplo"))
                     .toString(),
                 QStringLiteral("7 szerkesztés suly1=5000 suly1=5100"));
    }
};

QTEST_MAIN(TestEditorform)
#include "tst_editorform.moc"
