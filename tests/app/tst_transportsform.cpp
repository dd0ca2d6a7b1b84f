#include "../support/FreezableProxy.h"
#include "../support/Kelvoctl.h"
#include "../support/Settle.h"
#include "../support/TestDatabase.h"

#include "Cancellation.h"
#include "CsvExport.h"
#include "CsvSaving.h"
#include "Database.h"
#include "DatabaseWorker.h"
#include "IniFile.h"
#include "MessageBoxes.h"
#include "Modification.h"
#include "TSzallitasokform.h"

#include "ui_TSzallitasokform.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <atomic>
#include <memory>

// The search window lists what kelvoctl search lists for the same filters, and cancels through the core.
class TestTransportsform : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_path;
    std::unique_ptr<Database> m_database; // the test's own look at the tables
    std::unique_ptr<DatabaseWorker> m_worker;
    std::unique_ptr<IniFile> m_ini;
    QStringList m_messages;
    bool m_answer = true;

    // The rows' pages are read as the list asks for them.
    void fetchRows(const TSzallitasokform &w)
    {
        const QAbstractItemModel *model = w.ui()->lista->model();
        for (int r = 0; r < model->rowCount(); ++r)
            model->index(r, 1).data();
        settle(m_worker.get());
    }

    // The list as kelvoctl prints it: the rows' fields, then the four panels.
    QString shown(const TSzallitasokform &w)
    {
        fetchRows(w);
        const QAbstractItemModel *model = w.ui()->lista->model();
        QString text;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList fields;
            for (int c = 0; c < model->columnCount(); ++c)
                fields.append(CsvExport::field(model->index(r, c).data().toString()));
            text += fields.join(QLatin1Char(';')) + QLatin1Char('\n');
        }
        for (int i = 0; i < 4; ++i)
            text += w.findChild<QLabel *>(QStringLiteral("panel%1").arg(i))->text() + QLatin1Char('\n');
        return text;
    }

    // Sets the controls from "name=value;name;...": a combo box by index or text, a date, a check box ticked.
    static void set(TSzallitasokform &w, const QString &settings)
    {
        for (const QString &item : settings.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString name = item.section(QLatin1Char('='), 0, 0);
            const QString value = item.section(QLatin1Char('='), 1);
            if (name == u"sort") {
                emit w.ui()->lista->header()->sectionClicked(value.toInt());
            } else if (name == u"page") {
                w.ui()->lapok->setCurrentIndex(value.toInt());
            } else if (auto *box = w.findChild<QComboBox *>(name)) {
                bool isIndex = false;
                const int index = value.toInt(&isIndex);
                if (isIndex && !box->isEditable())
                    box->setCurrentIndex(index);
                else
                    box->setEditText(value);
            } else if (auto *date = w.findChild<QDateEdit *>(name)) {
                date->setDate(QDate::fromString(value, QStringLiteral("yyyy.MM.dd")));
            } else if (auto *check = w.findChild<QCheckBox *>(name)) {
                check->setChecked(true);
            } else if (auto *edit = w.findChild<QLineEdit *>(name)) {
                edit->setText(value);
            } else {
                qFatal("no control %s", qPrintable(name));
            }
        }
    }

    std::unique_ptr<TSzallitasokform> opened()
    {
        auto w = std::make_unique<TSzallitasokform>();
        w->prepare(m_worker.get(), m_ini.get(), QDate(2026, 3, 4), 3, m_home->path());
        settle(m_worker.get());
        return w;
    }

    // A command as the operator gives it, looked at once the station is quiet.
    void click(QAbstractButton *button)
    {
        button->click();
        settle(m_worker.get());
    }

    QString kelvoctl(QStringList args) const
    {
        args.prepend(m_home->path());
        args.prepend(QStringLiteral("--home"));
        args.prepend(QStringLiteral("search"));
        const Kelvoctl::Run r = Kelvoctl::run(args);
        if (r.code != 0)
            qWarning() << r.out << r.err;
        return r.out;
    }

private slots:
    void initTestCase()
    {
        KELVO_REQUIRE_ENGINE();
        setMessageHook([this](const MessageRequest &request) {
            m_messages.append(request.text);
            return m_answer ? 1 : 0;
        });
    }
    void init()
    {
        m_messages.clear();
        m_answer = true;
        m_databases = std::make_unique<TestDatabase>();
        m_home = std::make_unique<QTemporaryDir>();
        const QString path = m_path = m_databases->created(QStringLiteral("kelvo"));
        QVERIFY(TestDatabase::writeIni(m_home->path(), path));
        QVERIFY(TestDatabase::exec(
            path, QStringLiteral(
                      "INSERT INTO szallitasok (sorszam, rendszam, cegnev, termeknev, parcella, irany, bedatum, "
                      "kidatum, nettosuly, elszamolt, osszeg, megjegyzes, ervenyes, jelolt) VALUES "
                      "(1, 'ABC-123', 'Alfa Kft', 'Búza', 'P1', 0, '2026-03-02 09:00:00', '2026-03-02 10:00:00', "
                      "5000, 5000, 1000.5, '', TRUE, FALSE), "
                      "(2, 'XYZ-9', 'Béta Bt', 'Árpa', '', 1, '2026-03-02 11:00:00', '2026-03-02 11:30:00', -2000, "
                      "-2000, -300.5, 'a\"b', TRUE, TRUE), "
                      "(3, 'ABC-123', 'Alfa Kft', 'Árpa', 'P2', 0, '2026-03-03 07:00:00', '2026-03-03 08:00:00', "
                      "3000, 2900, 600, '', FALSE, FALSE), "
                      "(4, 'QRS-1', 'Alfa Kft', 'Búza', 'P1', 1, '2026-03-04 00:00:00', '2026-03-04 00:10:00', "
                      "-700, -700, -140, 'x', TRUE, FALSE)")));
        m_ini = std::make_unique<IniFile>(QDir(m_home->path()).filePath(QStringLiteral("Kelvo.ini")));
        m_database = std::make_unique<Database>(path);
        QCOMPARE(m_database->open(), QString());
        m_worker = std::make_unique<DatabaseWorker>();
        QCOMPARE(m_worker->open(path).result(), QString());
    }
    void cleanup()
    {
        CsvSaving::setFileQuestion({});
        m_worker.reset();
        m_database.reset();
        m_ini.reset();
        m_home.reset();
        m_databases.reset();
    }

    void listsWhatKelvoctlLists_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("period") << "" << QStringList{"--from", "2026.03.01", "--to", "2026.03.04"};
        QTest::newRow("outbound of any state")
            << "irany=2;ervenyes=0;nincsdatum" << QStringList{"--direction", "out", "--state", "any", "--no-dates"};
        QTest::newRow("carrier, net ascending")
            << "cegnev=alfa kft;sort=6;nincsdatum;ervenyes=0"
            << QStringList{"--carrier", "alfa kft", "--sort", "nettosuly:asc", "--no-dates", "--state", "any"};
        QTest::newRow("typed plate not in the list")
            << "rendszam=ABC;d1=2026.03.02;d2=2026.03.03" << QStringList{"--plate", "ABC", "--from", "2026.03.02",
                                                                       "--to", "2026.03.03"};
        QTest::newRow("parcel on the other page, marked no")
            << "page=2;parcella=p1;jelolt=2;nincsdatum" << QStringList{"--parcel", "P1", "--marked", "no", "--no-dates"};
        QTest::newRow("remark, minimal serial") << "megjegyzes;minsorszam=3;nincsdatum"
                                                << QStringList{"--has-remark", "--min-serial", "3", "--no-dates"};
        QTest::newRow("quick search ignores the filters")
            << "gyorskereso=abc;irany=2" << QStringList{"--quick", "abc", "--direction", "out"};
    }
    void listsWhatKelvoctlLists()
    {
        QFETCH(QString, settings);
        QFETCH(QStringList, options);
        auto w = opened();
        set(*w, settings);
        click(w->ui()->bkereses);
        QCOMPARE(m_messages, QStringList());
        QVERIFY(w->ui()->lista->model()->rowCount() > 0);
        QCOMPARE(shown(*w), kelvoctl(options));

        // The saved list is the file kelvoctl writes for the same search.
        const QString saved = m_home->filePath(QStringLiteral("lista.csv"));
        CsvSaving::setFileQuestion([&](QWidget *, const QString &) { return saved; });
        click(w->ui()->bmentes);
        const QString expected = m_home->filePath(QStringLiteral("ctl.csv"));
        kelvoctl(options + QStringList{QStringLiteral("--csv"), expected});
        QFile a(saved), b(expected);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
    }

    // At the first opening every filled box shows "<mindegy>", the Egyéb page's too; the note beside the quick
    // search shows only while it holds a text.
    void openingShowsAnyAndTheQuickSearchNote()
    {
        auto w = opened();
        for (const char *box : {"rendszam", "cegnev", "ugyfel", "raktar", "termeknev", "kiszereles", "ugyirat",
                                "felhasznalo", "tablanev", "parcella", "tablasorszam"})
            QCOMPARE(w->findChild<QComboBox *>(QLatin1String(box))->currentText(), QStringLiteral("<mindegy>"));
        QLabel *note = w->ui()->gyorsmegjegyzes;
        QVERIFY(!note->isVisibleTo(w.get()));
        w->ui()->gyorskereso->setEditText(QStringLiteral("abc"));
        QVERIFY(note->isVisibleTo(w.get()));
        click(w->ui()->bmainap); // today's list empties the box
        QVERIFY(!note->isVisibleTo(w.get()));
    }

    void cancelsTheSelectedTicket()
    {
        auto w = opened();
        set(*w, QStringLiteral("ervenyes=0;nincsdatum"));
        click(w->ui()->bsztorno);
        QCOMPARE(m_messages.takeFirst(), QStringLiteral("Válassza ki a sztornózandó szállítást !\r\r"));
        click(w->ui()->bkereses);
        w->ui()->lista->setCurrentIndex(w->ui()->lista->model()->index(3, 0)); // ticket 1
        QCOMPARE(w->selectedSerial(), 1);

        m_answer = false;
        click(w->ui()->bsztorno);
        QCOMPARE(Cancellation::check(m_database->db(), 1), Cancellation::Check::Cancellable);
        m_answer = true;
        click(w->ui()->bsztorno);
        QCOMPARE(Cancellation::check(m_database->db(), 1), Cancellation::Check::AlreadyCancelled);
        QCOMPARE(w->selectedSerial(), 1); // listed again, still selected
        QCOMPARE(w->ui()->lista->model()->index(3, 0).data(Qt::DisplayRole).toString(), QStringLiteral("00001"));
        click(w->ui()->bsztorno);
        const QString question = QStringLiteral("Sztornózza a kijelölt, 00001 sorszámú szállítást ?\r\r");
        QCOMPARE(m_messages, QStringList({question, question,
                                          QStringLiteral("Ez a szállítás már sztornózott !\r\r")}));
        QCOMPARE(shown(*w), kelvoctl({QStringLiteral("--state"), QStringLiteral("any"), QStringLiteral("--no-dates")}));

        // The ticket's trail shows the cancellation, and only that.
        w->findChild<QAction *>(QStringLiteral("mNaplo"))->trigger();
        settle(m_worker.get());
        auto *trail = w->findChild<QDialog *>(QStringLiteral("naploform"));
        QVERIFY(trail && trail->isVisible());
        const QAbstractItemModel *rows = trail->findChild<QTableView *>(QStringLiteral("lista"))->model();
        QCOMPARE(rows->rowCount(), 1);
        QCOMPARE(rows->index(0, 3).data().toString(), QStringLiteral("sztornó"));
        QCOMPARE(rows->index(0, 5).data().toString(), QStringLiteral("ervenyes=False"));
    }

    // The list row shows what the modification stored at once, not at the next search.
    void modifiedRowShowsTheStoredValues()
    {
        auto w = opened();
        w->setTicketCommands({}, [this](qint64 serial, const std::function<void()> &stored) {
            Modification::Fields f;
            f.rendszam = QStringLiteral("XYZ-9");
            f.megjegyzes = QStringLiteral("új megjegyzés");
            f.ugyirat = QStringLiteral("IKT-7");
            f.termeknev = QStringLiteral("Árpa");
            QVERIFY(!Modification::apply(m_database->db(), serial, f, false));
            stored();
        });
        set(*w, QStringLiteral("nincsdatum"));
        click(w->ui()->bkereses);
        const QAbstractItemModel *model = w->ui()->lista->model();
        w->ui()->lista->setCurrentIndex(model->index(1, 0));
        QCOMPARE(w->selectedSerial(), 2);
        // Read on the worker when first asked for: meanwhile the serial alone.
        QCOMPARE(model->index(1, 9).data().toString(), QString());
        QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("00002"));
        fetchRows(*w);
        QCOMPARE(model->index(1, 9).data().toString(), QStringLiteral("a\"b"));
        click(w->ui()->bmodositas);
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(model->index(1, 9).data().toString(), QStringLiteral("új megjegyzés"));
        QCOMPARE(model->index(1, 10).data().toString(), QStringLiteral("IKT-7"));
        QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("00002"));
    }

    void saveAsksBeforeReplacing()
    {
        auto w = opened();
        click(w->ui()->bmentes);
        QCOMPARE(m_messages.takeFirst(), QStringLiteral("Nincs mentendő keresési eredmény !\r\r"));
        const QString path = m_home->filePath(QStringLiteral("lista.csv"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        CsvSaving::setFileQuestion([&](QWidget *, const QString &) { return path; });
        click(w->ui()->bkereses);
        m_answer = false;
        click(w->ui()->bmentes);
        QCOMPARE(m_messages, QStringList{QStringLiteral("A(z) lista.csv fájl már létezik. Felülírja ?\r\r")});
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
        old.close();
        m_answer = true;
        click(w->ui()->bmentes);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QVERIFY(old.readAll().startsWith("\xEF\xBB\xBF\"sorszam\""));
    }

    // Cancelled while it waits its turn on the worker: no file, nothing to tell.
    void cancelledExportLeavesNoFile_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << true;
        QTest::newRow("run to its end") << false;
    }
    void cancelledExportLeavesNoFile()
    {
        QFETCH(bool, cancel);
        auto w = opened();
        set(*w, QStringLiteral("nincsdatum"));
        click(w->ui()->bkereses);
        const QString path = m_home->filePath(QStringLiteral("lista.csv"));
        CsvSaving::setFileQuestion([&](QWidget *, const QString &) { return path; });
        std::atomic<bool> held{true};
        m_worker->run([&held](QSqlDatabase) {
            while (held)
                QThread::msleep(5);
        });
        w->ui()->bmentes->click();
        auto *progress = w->findChild<QProgressDialog *>();
        QVERIFY(progress);
        QCOMPARE(progress->labelText(), QStringLiteral("Mentés: ") + QDir::toNativeSeparators(path));
        auto *button = progress->findChild<QPushButton *>();
        QCOMPARE(button->text(), QStringLiteral("Mégsem"));
        if (cancel)
            button->click();
        held = false;
        settle(m_worker.get());
        QCOMPARE(QFileInfo::exists(path), !cancel);
        QCOMPARE(m_messages, QStringList());
        QVERIFY(w->ui()->bmentes->isEnabled());
    }

    // A search waiting for a frozen server holds neither the window thread nor a second search; it ends when the
    // server answers again or is gone.
    void searchOnAFrozenServer_data()
    {
        QTest::addColumn<bool>("thaw");
        QTest::newRow("thawed") << true;
        QTest::newRow("server gone") << false;
    }
    void searchOnAFrozenServer()
    {
        QFETCH(bool, thaw);
        if (!TestDatabase::onServer())
            QSKIP("a server to freeze");
        FreezableProxy proxy;
        QVERIFY(proxy.start(TestDatabase::serverUri()));
        m_worker = std::make_unique<DatabaseWorker>();
        // The relay runs on this thread: the worker connects through it while events go on.
        const QFuture<QString> connected = m_worker->open(proxy.uriFor(m_path));
        QTRY_VERIFY(connected.isFinished());
        QCOMPARE(connected.result(), QString());
        auto w = opened();
        set(*w, QStringLiteral("nincsdatum"));
        proxy.setFrozen(true);
        w->ui()->bkereses->click();
        bool answered = false;
        QMetaObject::invokeMethod(w.get(), [&answered] { answered = true; }, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        QVERIFY(answered);
        QVERIFY(!w->ui()->bkereses->isEnabled());
        w->todayList(); // refused: it would list ticket 4 alone
        QCOMPARE(w->ui()->lista->model()->rowCount(), 0);

        if (thaw) {
            proxy.setFrozen(false);
            settle(m_worker.get());
            QCOMPARE(m_messages, QStringList());
            QCOMPARE(w->ui()->lista->model()->rowCount(), 3);
        } else {
            proxy.stop();
            settle(m_worker.get());
            QCOMPARE(m_messages.size(), 1);
            QVERIFY2(m_messages.takeFirst().startsWith(QString::fromUtf8(TransportSearch::kQueryFailed)),
                     qPrintable(m_messages.join(QLatin1Char('|'))));
            // While the server is away a command is refused at once.
            click(w->ui()->bkereses);
            QCOMPARE(m_messages, QStringList{QString::fromUtf8(DatabaseWorker::kOffline) + QStringLiteral("\r\r")});
        }
        QVERIFY(w->ui()->bkereses->isEnabled());
    }

    void keepsWidthsAndMinimalSerialInTheIniFile()
    {
        auto w = opened();
        // No width stored yet: the date column widens to the rows in sight, the date-time is not cut.
        w->show();
        set(*w, QStringLiteral("nincsdatum"));
        click(w->ui()->bkereses);
        fetchRows(*w);
        const QString date = w->ui()->lista->model()->index(0, 5).data().toString();
        QCOMPARE(date.size(), 16);
        QVERIFY(w->ui()->lista->header()->sectionSize(5) > w->ui()->lista->fontMetrics().horizontalAdvance(date));
        w->ui()->lista->header()->resizeSection(5, 80);
        w->ui()->lista->header()->resizeSection(3, 150);
        w->ui()->minsorszam->setText(QStringLiteral("7"));
        w->ui()->bment->click();
        w->release();
        auto again = std::make_unique<TSzallitasokform>();
        again->prepare(m_worker.get(), m_ini.get(), QDate(2026, 3, 4), 3, m_home->path());
        // Typed before the plates arrive: the list fills in under the text.
        again->ui()->rendszam->setEditText(QStringLiteral("XY"));
        settle(m_worker.get());
        QCOMPARE(again->ui()->rendszam->currentText(), QStringLiteral("XY"));
        QCOMPARE(again->ui()->rendszam->count(), 4);
        QCOMPARE(again->ui()->rendszam->itemText(0), QStringLiteral("<mindegy>"));
        QCOMPARE(again->ui()->lista->header()->sectionSize(3), 150);
        QCOMPARE(again->ui()->lista->header()->sectionSize(4), 100);
        // What the operator stored is kept, even where it cuts.
        again->show();
        set(*again, QStringLiteral("nincsdatum"));
        click(again->ui()->bkereses);
        fetchRows(*again);
        QCOMPARE(again->ui()->lista->header()->sectionSize(5), 80);
        QCOMPARE(again->ui()->minsorszam->text(), QStringLiteral("7"));
    }
};

QTEST_MAIN(TestTransportsform)
#include "tst_transportsform.moc"
