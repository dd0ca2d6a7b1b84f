#include "../support/Settle.h"
#include "../support/TestDatabase.h"

#include "CompanyData.h"
#include "Config.h"
#include "Kelvo.h"
#include "MessageBoxes.h"
#include "Seged.h"
#include "SettingsCommands.h"
#include "TTerminal.h"
#include "Tbeallitasok.h"
#include "Trail.h"
#include "TrustSettings.h"
#include "Database.h"
#include "WeightLink.h"

#include "ui_Tbeallitasok.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// The settings dialog as the operator uses it: opened, edited, confirmed or abandoned.
class TestSettingsDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestDatabase> m_databases;
    std::unique_ptr<Kelvo> m_kelvo;
    QString m_home;
    QStringList m_messages;

    QString ini() const { return m_home + QStringLiteral("Kelvo.ini"); }
    Tbeallitasok *dialog() const { return m_kelvo->beallitasok(); }
    Ui::Tbeallitasok *ui() const { return dialog()->ui(); }

    void start(const QByteArray &iniText = "[Opt]\nkarbantart=0\n")
    {
        QFile company(m_home + QStringLiteral("sajatceg.txt"));
        QVERIFY(company.open(QIODevice::WriteOnly));
        company.write("Teszt Kft.\r\nFő utca 1.\r\n");
        company.close();
        QVERIFY(TestDatabase::writeIni(m_home, m_databases->created(QStringLiteral("kelvo")), iniText));
        m_kelvo = std::make_unique<Kelvo>(m_home);
        m_kelvo->setPrinterCheck([] { return true; });
        m_kelvo->setToday([] { return QDate(2026, 12, 8); });
        QVERIFY(m_kelvo->createWindows());
        m_kelvo->firstShow();
        m_kelvo->initialise();
        settle(*m_kelvo);
        QCOMPARE(m_kelvo->state(), Kelvo::State::Running);
    }

    // Opens the dialog modally and runs the steps inside it; the last step closes it.
    void inDialog(const std::function<void()> &steps, bool connectionPage = false)
    {
        QTimer::singleShot(0, this, [steps, this] {
            steps();
            if (dialog()->isVisible())
                dialog()->done(QDialog::Rejected);
        });
        m_kelvo->settingsCommands().open(connectionPage);
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
        setMessageHook([this](const MessageRequest &r) {
            m_messages.append(r.text.chopped(r.text.endsWith(QLatin1String("\r\r")) ? 2 : 0));
            return 1;
        });
    }

    void cleanup()
    {
        m_kelvo.reset();
        setMessageHook({});
        QFile::setPermissions(ini(), QFile::ReadOwner | QFile::WriteOwner);
        m_dir.reset();
        m_databases.reset();
    }

    void enablingRules_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("unlock");
        QTest::newRow("html template, locked") << 0 << false;
        QTest::newRow("preview, unlocked") << 3 << true;
        QTest::newRow("word-processor file") << 4 << true;
    }
    void enablingRules()
    {
        QFETCH(int, mode);
        QFETCH(bool, unlock);
        start();
        inDialog([&] {
            ui()->PageControl1->setCurrentWidget(ui()->pNyomtatas);
            QTest::mouseClick(dialog()->findChild<QRadioButton *>(QStringLiteral("hogynyomtat_%1").arg(mode)),
                              Qt::LeftButton);
            ui()->PageControl1->setCurrentWidget(ui()->pKapcsolat);
            if (unlock)
                ui()->CheckBox1->click();
        });
        for (QWidget *w : {static_cast<QWidget *>(ui()->Label7), static_cast<QWidget *>(ui()->sablonfile),
                           static_cast<QWidget *>(ui()->evelojelch)})
            QCOMPARE(w->isEnabled(), mode != 4);
        for (QWidget *w : {static_cast<QWidget *>(ui()->Button3), static_cast<QWidget *>(ui()->orden),
                           static_cast<QWidget *>(ui()->bilanciai), static_cast<QWidget *>(ui()->lekerdez),
                           static_cast<QWidget *>(ui()->stabilkell)})
            QCOMPARE(w->isEnabled(), unlock);
    }

    void passwordChange_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("typed"); // old, new, new again
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        QTest::newRow("none set, empty old passes") << QString() << QStringList{"", "Kapu1", "Kapu1"} << QString()
                                                    << "Kapu1";
        QTest::newRow("old must match exactly") << "Kapu1" << QStringList{"kapu1", "x", "x"}
                                                << "A jelenlegi jelszó nem eggyezik a megadottal !" << "Kapu1";
        QTest::newRow("new ones must match") << "Kapu1" << QStringList{"Kapu1", "Uj1", "Uj2"}
                                             << "Az új jelszavak nem eggyeznek !" << "Kapu1";
        QTest::newRow("empty new removes it") << "Kapu1" << QStringList{"Kapu1", "", ""} << QString() << QString();
    }
    void passwordChange()
    {
        QFETCH(QString, current);
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        start();
        m_kelvo->settings().password = current;
        if (!current.isEmpty())
            QVERIFY(m_kelvo->config()->setString(Keys::Pass, kodol(current)));
        inDialog([&] {
            ui()->PageControl1->setCurrentWidget(ui()->pBiztonsag);
            QTest::keyClicks(ui()->regijelszo, typed.at(0));
            QTest::keyClicks(ui()->ujjelszo, typed.at(1));
            QTest::keyClicks(ui()->ujjelszo2, typed.at(2));
            QTest::mouseClick(ui()->Button4, Qt::LeftButton);
            if (message.startsWith(QLatin1String("A jelenlegi")))
                QCOMPARE(dialog()->focusWidget(), ui()->regijelszo);
        });
        QCOMPARE(m_messages, message.isEmpty() ? QStringList{} : QStringList{message});
        QCOMPARE(QString::fromUtf8(dekodol(m_kelvo->config()->string(Keys::Pass))), stored);
    }

    void okWritesInOrderAndTakesEffect_data()
    {
        QTest::addColumn<bool>("readOnlyIni");
        QTest::newRow("writable") << false;
        QTest::newRow("read-only INI file") << true;
    }
    void okWritesInOrderAndTakesEffect()
    {
        QFETCH(bool, readOnlyIni);
        start("[Opt]\nkarbantart=0\nevelojel=1\n");
        const QByteArray iniBefore = readFile(ini());
        if (readOnlyIni)
            QVERIFY(QFile::setPermissions(ini(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        inDialog([&] {
            ui()->be1->setText(QStringLiteral("Beszállító"));
            ui()->sajatceg->setPlainText(QStringLiteral("Új Kft.\nKapu út 2."));
            QTest::mouseClick(dialog()->findChild<QRadioButton *>(QStringLiteral("hogynyomtat_3")), Qt::LeftButton);
            ui()->evelojelch->setChecked(false);
            ui()->CheckBox1->click();
            ui()->lekerdez->click();
            ui()->stabilkell->click();
            ui()->hostport->setText(QStringLiteral("5001"));
            QTest::mouseClick(ui()->Button1, Qt::LeftButton);
        });
        QVERIFY(!dialog()->isVisible());
        settle(*m_kelvo);
        // In force for the run either way.
        QCOMPARE(m_kelvo->printMode(), 3);
        QCOMPARE(m_kelvo->settings().evelojel, false);
        QVERIFY(m_kelvo->weightLink()->pollIndicatorVisible());
        QCOMPARE(m_kelvo->weightLink()->pollTimerActive(), true);
        // A trust setting only once stored, so that the file and the trail always tell what was in force.
        QCOMPARE(m_kelvo->settings().stabilkell, !readOnlyIni);
        QCOMPARE(ui()->stabilkell->isChecked(), !readOnlyIni);
        const QString companyFile = QString::fromUtf8(readFile(m_home + QStringLiteral("sajatceg.txt")));
        if (readOnlyIni) {
            const QString notInForce = QStringLiteral("A(z) \"Csak nyugalmi (stabil) tömeg vehető át\" beállítás nem "
                                                      "menthető, ezért nem lép életbe.\n");
            QCOMPARE(m_messages, QStringList{notInForce + QString::fromUtf8(kSaveFailedMessage)});
            QCOMPARE(readFile(ini()), iniBefore);
            QCOMPARE(companyFile, QStringLiteral("Teszt Kft.\r\nFő utca 1.\r\n"));
            QCOMPARE(Trail::ofSerial(ownConnection(*m_kelvo)->db(), 0).size(), TrustSettings::keys().size());
            return;
        }
        QCOMPARE(m_messages, QStringList{});
        const Config &config = *m_kelvo->config();
        QCOMPARE(config.string(Keys::be1), QStringLiteral("Beszállító"));
        QCOMPARE(config.integer(Keys::Printmode), 3);
        QCOMPARE(config.boolean(Keys::evelojel), false);
        QCOMPARE(config.boolean(Keys::lekerdez), true);
        QCOMPARE(config.string(Keys::hostport), QStringLiteral("5001"));
        QCOMPARE(config.string(Keys::hitlejar), QStringLiteral("2099.12.30"));
        QCOMPARE(config.boolean(Keys::stabilkell), true);
        // The trail holds each trust setting as the start found it, then the one OK changed.
        const QList<Trail::Row> rows = Trail::ofSerial(ownConnection(*m_kelvo)->db(), 0);
        QCOMPARE(rows.size(), TrustSettings::keys().size() + 1);
        QCOMPARE(rows.last().regi, QStringLiteral("stabilkell=0"));
        QCOMPARE(rows.last().uj, QStringLiteral("stabilkell=1"));
        QVERIFY(Trail::verify(ownConnection(*m_kelvo)->db()).ok());
        // Nothing new when nothing changed.
        m_kelvo->recordTrustSettings();
        settle(*m_kelvo);
        QCOMPARE(Trail::ofSerial(ownConnection(*m_kelvo)->db(), 0).size(), rows.size());
        QCOMPARE(companyFile, QStringLiteral("Új Kft.\r\nKapu út 2.\r\n"));
    }

    void cancelRestoresAndTheCloseBoxKeeps_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("be1");
        QTest::newRow("Mégse") << "button" << "Vevő";
        QTest::newRow("Escape") << "escape" << "Vevő";
        QTest::newRow("close box") << "close" << "Szállító";
    }
    void cancelRestoresAndTheCloseBoxKeeps()
    {
        QFETCH(QString, how);
        QFETCH(QString, be1);
        start();
        const QByteArray iniBefore = readFile(ini());
        inDialog([&] {
            // Opening shows the dialog's own default for an absent key.
            QCOMPARE(ui()->be1->text(), QStringLiteral("Szállító"));
            if (how == QLatin1String("button"))
                QTest::mouseClick(ui()->Button2, Qt::LeftButton);
            else if (how == QLatin1String("escape"))
                QTest::keyClick(ui()->be2, Qt::Key_Escape);
            else
                dialog()->close();
        });
        QCOMPARE(ui()->be1->text(), be1);
        QCOMPARE(readFile(ini()), iniBefore);
    }

    void openingKeepsTheCompanyBlockWhenItsFileIsGone()
    {
        start();
        QVERIFY(QFile::remove(m_home + QStringLiteral("sajatceg.txt")));
        inDialog([] {});
        QCOMPARE(m_messages, QStringList{});
        QCOMPARE(m_kelvo->companyLines(), (QStringList{"Teszt Kft.", "Fő utca 1."}));
        // The database line is labelled for what it shows.
        QCOMPARE(ui()->lbl_adatbazismappa->text(),
                 TestDatabase::onServer() ? QStringLiteral("Adatbázis-kiszolgáló:") : QStringLiteral("Adatbázis fájl:"));
    }

    void connectionPage_data()
    {
        QTest::addColumn<QByteArray>("iniText");
        QTest::addColumn<bool>("visible");
        QTest::newRow("shown by default") << QByteArray("[Opt]\nkarbantart=0\n") << true;
        QTest::newRow("hidden by comsettings") << QByteArray("[Opt]\nkarbantart=0\ncomsettings=0\n") << false;
    }
    void connectionPage()
    {
        QFETCH(QByteArray, iniText);
        QFETCH(bool, visible);
        start(iniText);
        bool current = false;
        QTimer::singleShot(0, this, [&] {
            current = ui()->PageControl1->currentWidget() == ui()->pKapcsolat;
            dialog()->done(QDialog::Rejected);
        });
        emit m_kelvo->Terminal()->settingsRequested();
        QCOMPARE(ui()->PageControl1->isTabVisible(ui()->PageControl1->indexOf(ui()->pKapcsolat)), visible);
        QCOMPARE(current, visible);
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
