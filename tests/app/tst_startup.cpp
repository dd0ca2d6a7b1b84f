#include "../support/Settle.h"
#include "../support/TestDatabase.h"

#include "Config.h"
#include "DataBackup.h"
#include "Database.h"
#include "DatabaseWorker.h"
#include "DatabaseStartup.h"
#include "Kelvo.h"
#include "MessageBoxes.h"
#include "Schema.h"
#include "Seged.h"

#include "TFoform.h"
#include "TSzallitasokform.h"
#include "Tautomeresform.h"
#include "Tbeallitasok.h"
#include "Tbefejezesform.h"
#include "Tjelszoform.h"
#include "Tkezdesform.h"
#include "Tlogoform.h"
#include "Tmodosit.h"
#include "ui_TFoform.h"
#include "ui_TSzallitasokform.h"
#include "ui_Tautomeresform.h"
#include "ui_Tbeallitasok.h"
#include "ui_Tbefejezesform.h"
#include "ui_Tjelszoform.h"
#include "ui_Tkezdesform.h"
#include "ui_Tmodosit.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>
#include "TTerminal.h"
#include <QThread>
#include <QTimer>
#include <atomic>

namespace {

const QDate kToday(2026, 12, 8);

// A file's contents, to show a step changed nothing; a server database has none (empty).
QByteArray digest(const QString &path)
{
    QFile f(path);
    return !TestDatabase::onServer() && f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// Drives the shell offscreen through start-up and shutdown, answering every message box through the hook.
class TestStartup : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestDatabase> m_databases;
    QString m_home;
    QString m_datapath;
    QStringList m_messages;
    bool m_printer = true;

    QString ini() const { return m_home + QStringLiteral("Kelvo.ini"); }
    const QString &db() const { return m_datapath; }

    // A program folder with a database, company data and an INI file (naming the database) that does not compact.
    void prepare(const QByteArray &iniText = "[Opt]\nkarbantart=0\n")
    {
        m_datapath = m_databases->created(QStringLiteral("kelvo"));
        writeFile(m_home + QStringLiteral("sajatceg.txt"), "Teszt Kft.\r\n");
        QVERIFY(TestDatabase::writeIni(m_home, m_datapath, iniText));
    }

    // settled: the database work start-up gave has run (none of its windows may be waiting to open then).
    std::unique_ptr<Kelvo> start(bool settled = true, const std::function<void(Kelvo &)> &beforeStart = {})
    {
        auto kelvo = std::make_unique<Kelvo>(m_home);
        kelvo->setPrinterCheck([this] { return m_printer; });
        kelvo->setToday([] { return kToday; });
        if (!kelvo->createWindows())
            return kelvo;
        if (beforeStart)
            beforeStart(*kelvo);
        kelvo->firstShow();
        kelvo->initialise();
        if (settled)
            settle(*kelvo);
        return kelvo;
    }

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_databases = std::make_unique<TestDatabase>();
        m_home = m_dir->path() + QLatin1Char('/');
        qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("xdg")).toUtf8());
        m_messages.clear();
        m_printer = true;
        setMessageHook([this](const MessageRequest &r) {
            m_messages.append(r.text.chopped(r.text.endsWith(QLatin1String("\r\r")) ? 2 : 0));
            return 1;
        });
    }
    void cleanup()
    {
        setMessageHook({});
        m_dir.reset();
        m_databases.reset();
    }

    void normalStartShowsNothingAndFillsTheWindow()
    {
        prepare("[Opt]\nkarbantart=0\n[Folyamatban_oszlop]\n0=80\n6=50\n");
        QVERIFY(TestDatabase::exec(db(), QStringLiteral("INSERT INTO folyamatban (rendszam, suly1, bedatum) VALUES "
                                                        "('ABC-123', 12340, '2026-12-08 10:00:00')")));

        auto kelvo = start();
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(kelvo->state(), Kelvo::State::Running);
        TFoform *main = kelvo->Foform();
        QCOMPARE(main->windowTitle(), QStringLiteral("Kelvoprogram"));
        QCOMPARE(main->ui()->sulylabel1->text(), QStringLiteral(".."));
        QCOMPARE(main->statusPanel(0)->text(), QStringLiteral(" Folyamatban lévő szállítások: 1"));
        QCOMPARE(main->ui()->lista->model()->rowCount(), 1);
        QHeaderView *header = main->ui()->lista->header();
        QCOMPARE(header->sectionSize(0), 80);
        QCOMPARE(header->sectionSize(3), 100);
        QCOMPARE(header->sectionSize(6), 50);
        QVERIFY(!main->ui()->bfrissit->isVisible());
        QCOMPARE(kelvo->companyLines(), QStringList{QStringLiteral("Teszt Kft.")});
        QCOMPARE(kelvo->beallitasok()->ui()->be1->text(), QStringLiteral("Vevő"));
        QCOMPARE(kelvo->befejezesform()->ui()->tisztasag->text(), QStringLiteral("100"));
        QCOMPARE(kelvo->befejezesform()->ui()->viztartalom->text(), QStringLiteral("14"));
        QCOMPARE(kelvo->befejezesform()->ui()->elvartviz->text(), QStringLiteral("15"));
    }

    void everyWindowExistsWithItsNameAndCaption()
    {
        prepare();
        auto kelvo = start();
        const QList<std::tuple<QWidget *, const char *, const char *, QString>> windows = {
            {kelvo->Foform(), "TFoform", "Foform", QStringLiteral("Kelvoprogram")},
            {kelvo->jelszoform(), "Tjelszoform", "jelszoform", QStringLiteral("Program indítási jelszó")},
            {kelvo->kezdesform(), "Tkezdesform", "kezdesform", QStringLiteral("Új Szállítás kezdése")},
            {kelvo->befejezesform(), "Tbefejezesform", "befejezesform",
             QStringLiteral("Szállítás befejezése, mérlegjegy nyomtatása")},
            {kelvo->beallitasok(), "Tbeallitasok", "beallitasok", QStringLiteral("Beállítások")},
            {kelvo->Szallitasokform(), "TSzallitasokform", "Szallitasokform", QStringLiteral("Szállítások")},
            {kelvo->modosit(), "Tmodosit", "modosit", QStringLiteral("Adatok módosítása")},
        };
        // The splash shows the version with a point whatever the machine's decimal mark.
        QCOMPARE(kelvo->logoform()->findChild<QLabel *>(QStringLiteral("verziolabel"))->text(),
                 QStringLiteral("Verzió: 4.64"));
        for (const auto &[window, cls, name, caption] : windows) {
            QCOMPARE(window->metaObject()->className(), cls);
            QCOMPARE(window->objectName(), QLatin1String(name));
            QCOMPARE(window->windowTitle(), caption);
        }
    }

    void fatalDatabaseConditions_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message");
        const QString wrong = QStringLiteral("Az adatbázis nem ehhez a programhoz készült !");
        QTest::newRow("missing") << "@missing" << "@notfound";
        QTest::newRow("corrupt") << "@corrupt" << wrong;
        QTest::newRow("4.63") << "UPDATE verzio SET verzio = 4.63" << wrong;
        QTest::newRow("4.65") << "UPDATE verzio SET verzio = 4.65" << wrong;
    }
    void fatalDatabaseConditions()
    {
        QFETCH(QString, setup);
        QFETCH(QString, message);
        const bool server = TestDatabase::onServer();
        if (server && setup == u"@corrupt")
            QSKIP("a file's contents: a server database is always a database");
        prepare();
        if (setup == u"@missing" && server) {
            m_datapath = TestDatabase::missing();
            QVERIFY(TestDatabase::writeIni(m_home, m_datapath, "[Opt]\nkarbantart=0\n"));
        } else if (setup.startsWith(u'@')) {
            QVERIFY(QFile::remove(db()));
            if (setup == u"@corrupt")
                writeFile(db(), QByteArray(4096, 'Z'));
        } else {
            QVERIFY(TestDatabase::exec(db(), setup));
        }
        const QByteArray before = digest(db());
        const QByteArray iniBefore = readFile(ini());

        auto kelvo = start();
        // On a server, the program's line and the server's own text.
        if (message == u"@notfound")
            message = server ? *DatabaseStartup::checkExists(db())
                             : QStringLiteral("Az adatbázis (kelvo.mdb) nem található a következő helyen: \"%1\"").arg(db());
        QCOMPARE(m_messages, QStringList{message});
        QCOMPARE(kelvo->state(), Kelvo::State::Ended);
        QCOMPARE(kelvo->exitCode(), 1);
        QCOMPARE(digest(db()), before);
        QCOMPARE(readFile(ini()), iniBefore);
        QVERIFY(!QFile::exists(db() + QStringLiteral("x")));
        // Nothing after the fatal step ran.
        QCOMPARE(kelvo->Foform()->statusPanel(0)->text(), QString());
    }

    void firstStartCompactsAndWritesTheSwitchOff()
    {
        prepare("");
        auto kelvo = start();
        QCOMPARE(m_messages, QStringList{QStringLiteral("Az adatbázis karbantartása sikerült !")});
        QCOMPARE(kelvo->state(), Kelvo::State::Running);
        QVERIFY(readFile(ini()).contains("karbantart=0"));
    }

    void missingCompanyDataIsCreatedAndCalibrationWarnedBeforeThePassword()
    {
        prepare("[Opt]\nkarbantart=0\nhitlejar=2026.12.29\nPass=" + kodol(QStringLiteral("Titok")).toUtf8() + "\n");
        QFile::remove(m_home + QStringLiteral("sajatceg.txt"));
        QStringList seenWhenPasswordShown;
        auto kelvo = std::make_unique<Kelvo>(m_home);
        kelvo->setPrinterCheck([] { return true; });
        kelvo->setToday([] { return kToday; });
        QVERIFY(kelvo->createWindows());
        Tjelszoform *form = kelvo->jelszoform();
        whenShown(form, [&] {
            seenWhenPasswordShown = m_messages;
            QTest::keyClicks(form->ui()->jelszob, QStringLiteral("Titok"));
            QTest::mouseClick(form->ui()->okbtn, Qt::LeftButton);
        });
        kelvo->firstShow();
        kelvo->initialise();
        settle(*kelvo);
        const QStringList expected{QStringLiteral("Állítsa be a \"Saját Cég\" adatait !"),
                                   QStringLiteral("A mérleg hitelesítése 2026.12.29 napon le fog járni !")};
        QCOMPARE(seenWhenPasswordShown, expected);
        QCOMPARE(m_messages, expected);
        settle(*kelvo);
        QCOMPARE(kelvo->Foform()->statusPanel(0)->text(), QStringLiteral(" Folyamatban lévő szállítások: 0"));
        QCOMPARE(kelvo->state(), Kelvo::State::Running);
        QCOMPARE(readFile(m_home + QStringLiteral("sajatceg.txt")), QByteArray("Nem be\xC3\xA1ll\xC3\xADtott !\r\n"));
    }

    // The menu mark on: the logger's window opens once start-up is over, with the duration of the settings, and
    // logs until it is closed.
    void autostartOpensTheLogger()
    {
        prepare("[Opt]\nkarbantart=0\nautoindul=1\nautoido=2\n");
        bool shown = false, running = false;
        int duration = -1;
        Tautomeresform *logger = nullptr;
        auto kelvo = start(false, [&](Kelvo &k) {
            logger = k.windows().automeresform();
            whenShown(logger, [&] {
                shown = true;
                running = logger->run()->running();
                duration = logger->ui()->idobox->currentIndex();
                logger->reject();
            });
        });
        QTRY_VERIFY(shown);
        QCOMPARE(kelvo->state(), Kelvo::State::Running);
        QVERIFY(running);
        QCOMPARE(duration, 2);
        QVERIFY(!logger->run()->running());
        QVERIFY(kelvo->Foform()->ui()->autoindul->isChecked());
    }

    void cancelledPasswordEndsTheProgram()
    {
        prepare("[Opt]\nkarbantart=0\nPass=" + kodol(QStringLiteral("Titok")).toUtf8() + "\n");
        auto kelvo = std::make_unique<Kelvo>(m_home);
        kelvo->setPrinterCheck([] { return true; });
        QVERIFY(kelvo->createWindows());
        whenShown(kelvo->jelszoform(), [&] { QTest::mouseClick(kelvo->jelszoform()->ui()->megsebtn, Qt::LeftButton); });
        kelvo->firstShow();
        kelvo->initialise();
        settle(*kelvo);
        QCOMPARE(kelvo->state(), Kelvo::State::Ended);
        QCOMPARE(kelvo->exitCode(), 0);
        QCOMPARE(m_messages, QStringList());
    }

    // "Mégse" on start-up's database check ends the program with a message: it never runs on half started.
    void cancelledDatabaseCheckEndsTheProgram()
    {
        prepare();
        auto kelvo = start(false);
        // The check waits behind this command, so that it is cancelled before it runs.
        std::atomic<bool> release{false};
        kelvo->worker()->run([&release](QSqlDatabase) {
            while (!release)
                QThread::msleep(5);
        }, DatabaseWorker::Limit::None);
        QProgressDialog *progress = nullptr;
        QTRY_VERIFY((progress = kelvo->Foform()->findChild<QProgressDialog *>()) != nullptr);
        emit progress->canceled(); // as its "Mégse" button does
        release = true;
        settle(*kelvo);
        QCOMPARE(kelvo->state(), Kelvo::State::Ended);
        QCOMPARE(kelvo->exitCode(), 1);
        QCOMPARE(m_messages, QStringList{QStringLiteral("A program indítása megszakítva: az adatbázis ellenőrzése vagy "
                                                        "frissítése nem fejeződött be.")});
    }

    void noPrinterEndsTheProgram()
    {
        prepare();
        m_printer = false;
        auto kelvo = start();
        QCOMPARE(m_messages, QStringList{QStringLiteral("Nincs telepített nyomtató a rendszerben !")});
        QCOMPARE(kelvo->state(), Kelvo::State::Ended);
    }

    void optionsReachTheWindows()
    {
        prepare("[Opt]\nkarbantart=0\nenablehand=0\ntarasuly=0\newcgomb=0\negysegar=0\nhalozati=1\n"
                "nullazgomb=0\ntmodosithato=1\nmodosithato=0\nenablesettings=0\nlevonasoklatszik=0\n"
                "tablalatszik=0\n");
        auto kelvo = start();
        QCOMPARE(m_messages, QStringList());
        Ui::Tkezdesform *k = kelvo->kezdesform()->ui();
        Ui::Tbefejezesform *b = kelvo->befejezesform()->ui();
        QVERIFY(!k->kezisuly->isEnabled());
        QVERIFY(!k->tarabe->isEnabled());
        QVERIFY(!b->kezisuly->isEnabled());
        QVERIFY(!b->tarabe->isEnabled());
        QVERIFY(!k->tarament->isVisibleTo(kelvo->kezdesform()));
        QVERIFY(!b->tarament->isVisibleTo(kelvo->befejezesform()));
        QVERIFY(!k->ewcbtn->isVisibleTo(kelvo->kezdesform()));
        QVERIFY(!k->Label12->isVisibleTo(kelvo->kezdesform()));
        QVERIFY(!b->tisztasag->isVisibleTo(kelvo->befejezesform()));
        QVERIFY(!b->parcella->isVisibleTo(kelvo->befejezesform()));
        Ui::TFoform *m = kelvo->Foform()->ui();
        QVERIFY(m->bfrissit->isVisible());
        QVERIFY(m->mFrissites->isVisible());
        QVERIFY(!m->nullaimage->isVisibleTo(kelvo->Foform()));
        QVERIFY(!m->mBeallitasok->isEnabled());
        QVERIFY(kelvo->Szallitasokform()->ui()->bmodositas->isVisibleTo(kelvo->Szallitasokform()));
        Ui::Tmodosit *mod = kelvo->modosit()->ui();
        QVERIFY(!mod->rendszam->isEnabled());
        QVERIFY(!mod->tablasorszam->isEnabled());
        QVERIFY(mod->raktar->isEnabled());
        QVERIFY(mod->megjegyzes->isEnabled());
        // Opened for a ticket, the window names it.
        QVERIFY(TestDatabase::exec(db(), QStringLiteral("INSERT INTO szallitasok (sorszam, rendszam, raktar) VALUES "
                                                        "(247, 'ABC-123', 'Fő raktár')")));
        kelvo->modosit()->prepare(247);
        settle(*kelvo);
        QVERIFY(kelvo->modosit()->isVisible());
        QCOMPARE(kelvo->modosit()->windowTitle(), QStringLiteral("Adatok módosítása: 00247 sorszámú szállítás"));
        QCOMPARE(mod->raktar->currentText(), QStringLiteral("Fő raktár"));
        kelvo->modosit()->reject();
        QVERIFY(kelvo->worker()->networkMode());
    }

    void shutdownWritesTheRememberedValues()
    {
        prepare("[Opt]\nkarbantart=0\nfixszallito=1\nfszallito=Agro Kft.\nftermek=Búza\n");
        {
            auto kelvo = start();
            Ui::Tkezdesform *k = kelvo->kezdesform()->ui();
            Ui::Tbefejezesform *b = kelvo->befejezesform()->ui();
            // Kept only when its box was ticked at the previous exit.
            QCOMPARE(k->nev->currentText(), QStringLiteral("Agro Kft."));
            QCOMPARE(k->termeknev->currentText(), QString());
            k->nev->setEditText(QStringLiteral("Fuvar Bt."));
            k->rog_szallito->setChecked(false);
            k->rog_termek->setChecked(true);
            k->termeknev->setEditText(QStringLiteral("Kukorica"));
            b->tisztasag->setText(QStringLiteral("98,5"));
            b->viztartalom->setText(QStringLiteral("13"));
            b->rog_raktar->setChecked(true);
            b->raktar->setEditText(QStringLiteral("Fő raktár"));
            kelvo->Foform()->ui()->lista->header()->resizeSection(2, 140);
            kelvo->Foform()->ui()->autoindul->setChecked(true);
            kelvo->Foform()->resize(640, 480);
            QVERIFY(kelvo->Foform()->close());
            QCOMPARE(kelvo->state(), Kelvo::State::Ended);
        }
        QCOMPARE(m_messages, QStringList());
        Config config(ini(), m_home);
        QCOMPARE(config.string(Keys::fszallito), QStringLiteral("Fuvar Bt."));
        QCOMPARE(config.boolean(Keys::fixszallito), false);
        QCOMPARE(config.boolean(Keys::fixtermek), true);
        QCOMPARE(config.string(Keys::ftermek), QStringLiteral("Kukorica"));
        QCOMPARE(config.string(Keys::tisztasag), QStringLiteral("98,5"));
        QCOMPARE(config.string(Keys::viztartalom), QStringLiteral("13"));
        QCOMPARE(config.string(Keys::elvartviz), QStringLiteral("15"));
        QCOMPARE(config.boolean(Keys::fixraktar), true);
        QCOMPARE(config.string(Keys::fraktar), QStringLiteral("Fő raktár"));
        QCOMPARE(config.boolean(Keys::autoindul), true);
        QCOMPARE(config.integer(Keys::autoido), qint64(0));
        const QList<int> widths = config.columnWidths(Keys::kFolyamatbanOszlop, 7);
        QCOMPARE(widths.at(2), 140);
        QVERIFY(*std::min_element(widths.begin(), widths.end()) >= 100);
        const QString geometry =
            config.ini().readString(QStringLiteral("Form_") + gepnev() + QLatin1Char('_') + felhasznalonev(),
                                    QStringLiteral("Foform"));
        QVERIFY2(geometry.startsWith(QStringLiteral("640;480;")), qPrintable(geometry));

        // The next start restores what was kept.
        m_messages.clear();
        // Its logger opens by itself (autoindul was ticked) and is closed again.
        auto again = start(true, [](Kelvo &k) {
            Tautomeresform *logger = k.windows().automeresform();
            whenShown(logger, [logger] { logger->reject(); });
        });
        QCOMPARE(again->kezdesform()->ui()->nev->currentText(), QString());
        QCOMPARE(again->kezdesform()->ui()->termeknev->currentText(), QStringLiteral("Kukorica"));
        QCOMPARE(again->befejezesform()->ui()->raktar->currentText(), QStringLiteral("Fő raktár"));
        QCOMPARE(again->Foform()->width(), 640);
        QCOMPARE(again->Foform()->ui()->lista->header()->sectionSize(2), 140);
    }

    // A window of its own (the raw line viewer) must not keep the program alive after the main window closed.
    void closingTheMainWindowEndsTheProgram()
    {
        prepare();
        auto kelvo = start();
        kelvo->Terminal()->show();
        QSignalSpy ended(kelvo.get(), &Kelvo::ended);
        QVERIFY(kelvo->Foform()->close());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().toInt(), 0);
        QVERIFY(!kelvo->Terminal()->isVisible());
        QVERIFY(kelvo->config());
        QCOMPARE(m_messages, QStringList());
    }

    void readOnlyIniAtShutdownWarnsOnceAndStillCloses()
    {
        prepare();
        auto kelvo = start();
        QCOMPARE(m_messages, QStringList());
        const QByteArray before = readFile(ini());
        QVERIFY(QFile::setPermissions(ini(), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        QVERIFY(kelvo->Foform()->close());
        QCOMPARE(m_messages,
                 QStringList{QStringLiteral("A beállítások mentése nem sikerült. Írásvédett a fájl, vagy nincs jogosultság.")});
        QCOMPARE(kelvo->state(), Kelvo::State::Ended);
        QCOMPARE(readFile(ini()), before);
    }

    // Made: the period is stored and only the saved notice flashes. Failed: the reason is shown and the period is
    // left, so the next start tries again.
    void automaticBackupAtStartup_data()
    {
        QTest::addColumn<QByteArray>("opt"); // "@" stands for the program folder
        QTest::addColumn<bool>("readOnlyIni");
        QTest::addColumn<bool>("made");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("message");
        const QByteArray weekly = "Autobackup=1\nutolsomentes=49";
        QTest::newRow("due") << weekly << false << true << QByteArray("utolsomentes=50") << QString();
        QTest::newRow("made this week") << QByteArray("Autobackup=1\nutolsomentes=50") << false << false
                                        << QByteArray("utolsomentes=50") << QString();
        QTest::newRow("read-only folder") << QByteArray("Autobackup=2\nutolsomentes=11\nautobackuppath=@ro/") << false
                                          << false << QByteArray("utolsomentes=11")
                                          << "A biztonsági másolatot nem sikerült elkészíteni.\nÍrásvédett a mappa";
        QTest::newRow("read-only INI: archive kept") << weekly << true << true << QByteArray("utolsomentes=49")
                                                     << "A biztonsági mentés idejét nem sikerült a beállításokba írni.";
    }
    void automaticBackupAtStartup()
    {
        QFETCH(QByteArray, opt);
        QFETCH(bool, readOnlyIni);
        QFETCH(bool, made);
        QFETCH(QByteArray, stored);
        QFETCH(QString, message);
        QVERIFY(QDir().mkpath(m_home + QStringLiteral("ro")));
        QVERIFY(QFile::setPermissions(m_home + QStringLiteral("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        prepare("[Opt]\nkarbantart=0\n" + opt.replace('@', m_home.toUtf8()) + "\n");
        if (readOnlyIni)
            QVERIFY(QFile::setPermissions(ini(), QFileDevice::ReadOwner));
        auto kelvo = start();
        QCOMPARE(kelvo->state(), Kelvo::State::Running);
        QCOMPARE(QFileInfo::exists(m_home + QStringLiteral("2026.12.08_backup.zip")), made);
        QVERIFY(readFile(ini()).contains(stored));
        QCOMPARE(m_messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(m_messages.first().startsWith(message), qPrintable(m_messages.first()));
    }

    // The save dialog opens in the folder of the previous backup with today's name; a second command while one
    // runs is ignored; replacing an archive is asked first.
    void manualBackupFromTheMenu()
    {
        prepare();
        auto kelvo = start();
        QAction *command = kelvo->Foform()->ui()->mBackup;
        const QString chosen = m_home + QStringLiteral("mentes/kezi.zip");
        QVERIFY(QDir().mkpath(m_home + QStringLiteral("mentes")));
        QStringList asked;
        DataBackup::setPathQuestion([&](QWidget *, const QString &folder, const QString &proposed) {
            asked << folder << proposed;
            command->trigger();
            return chosen;
        });
        command->trigger();
        settle(*kelvo);
        QCOMPARE(asked, (QStringList{m_home, QStringLiteral("2026.12.08_backup.zip")}));
        QCOMPARE(m_messages, QStringList{QStringLiteral("A biztonsági másolat elkészült.")});
        QVERIFY(QFileInfo(chosen).size() > 0);
        QVERIFY(readFile(ini()).contains("backuppath=" + m_home.toUtf8() + "mentes\r\n"));

        asked.clear();
        command->trigger();
        settle(*kelvo);
        DataBackup::setPathQuestion({});
        QCOMPARE(asked.value(0), m_home + QStringLiteral("mentes"));
        QCOMPARE(m_messages.size(), 3);
        QVERIFY2(m_messages.at(1).contains(QStringLiteral("kezi.zip fájl már létezik")), qPrintable(m_messages.at(1)));
    }

    void noIniFileUsesDefaultsAndWritesToTheUserFolder()
    {
        if (TestDatabase::onServer())
            QSKIP("without Kelvo.ini the database is the program folder's file");
        QCOMPARE(Schema::createFile(m_home + QStringLiteral("kelvo.mdb")), QString());
        writeFile(m_home + QStringLiteral("sajatceg.txt"), "Teszt Kft.\r\n");
        auto kelvo = start();
        QCOMPARE(m_messages, QStringList{QStringLiteral("Az adatbázis karbantartása sikerült !")});
        QVERIFY(!QFile::exists(ini()));
        QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("xdg/Kelvo.ini"))));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
