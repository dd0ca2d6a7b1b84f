#include "StartupSequence.h"

#include "CameraWiring.h"

#include "Ablak.h"
#include "CalibrationCheck.h"
#include "ColumnWidths.h"
#include "CompanyData.h"
#include "Config.h"
#include "DataBackup.h"
#include "ControlSettings.h"
#include "Database.h"
#include "DatabaseStartup.h"
#include "DatabaseWorker.h"
#include "GateWiring.h"
#include "InProgressModel.h"
#include "Kelvo.h"
#include "MainCommands.h"
#include "MessageBoxes.h"
#include "ScaleWiring.h"
#include "SlotGuard.h"
#include "Seged.h"
#include "WindowHelpers.h"
#include "TextCodec.h"
#include "TrustSettings.h"
#include "Sql.h"
#include "WeighingWindowOptions.h"
#include "WeightLink.h"
#include "WorkerCall.h"

#include "T_previewform.h"
#include "TFoform.h"
#include "TSzallitasokform.h"
#include "Tautomeresek.h"
#include "Tbeallitasok.h"
#include "Tbefejezesform.h"
#include "Tewcform.h"
#include "Tjelszoform.h"
#include "Tkeszletform.h"
#include "Tkezdesform.h"
#include "Tlogoform.h"
#include "Tmodosit.h"

#include "TTerminal.h"
#include "ui_TFoform.h"
#include "ui_TTerminal.h"
#include "ui_Tbeallitasok.h"

#include <QHeaderView>
#include <QLocale>
#include <QTimer>

#include <algorithm>

namespace {

constexpr char kNoPrinterMessage[] = "Nincs telepített nyomtató a rendszerben !";
constexpr char kMaintaining[] = "Az adatbázis ellenőrzése...";
constexpr char kUpgrading[] = "Az adatbázis frissítése...";
constexpr char kAbandoned[] = "A program indítása megszakítva: az adatbázis ellenőrzése vagy frissítése nem fejeződött be.";

} // namespace

StartupSequence::StartupSequence(Kelvo &kelvo, ControlSettings &controls)
    : m_kelvo(kelvo)
    , m_controls(controls)
{
}

void StartupSequence::firstShow()
{
    const QString &home = m_kelvo.m_programFolder;
    m_kelvo.m_config = std::make_unique<Config>(Config::locateIniFile(home), home);
    Config &config = *m_kelvo.m_config;
    TFoform *main = m_kelvo.Foform();
    ablakbetoltes(config.ini(), main);

    // At the first start the window grows with the columns that widen to the first rows, so none is pushed out.
    main->columnWidths()->setGrowsWindow(!config.ini().valueExists(geometrySection(), main->objectName()));
    main->columnWidths()->read(config.ini(), QLatin1String(Keys::kFolyamatbanOszlop));

    QStringList templates;
    fajllista(home, QStringLiteral("merleg*.htm"), templates);
    std::sort(templates.begin(), templates.end());
    m_kelvo.beallitasok()->setTemplateNames(templates);

    RunSettings &s = m_kelvo.m_settings;
    s.merlegjegy = config.string(Keys::merlegjegy);
    s.winwordfile = config.string(Keys::winwordfile);
    s.worddirectprint = config.boolean(Keys::worddirectprint);
    s.halozati = config.boolean(Keys::halozati);
    s.nullazgomb = config.boolean(Keys::nullazgomb);
    main->ui()->nullaimage->setVisible(s.nullazgomb);
    main->ui()->bfrissit->setVisible(s.halozati);
    main->ui()->mFrissites->setVisible(s.halozati);
}

void StartupSequence::everyShow()
{
    QLabel *label = m_kelvo.Foform()->ui()->sulylabel1;
    QFont font = label->font();
    font.setFamily(m_kelvo.m_config->string(Keys::sulybetutipus));
    label->setFont(font);
    m_kelvo.logoform()->timer()->start();
}

void StartupSequence::initialise()
{
    if (m_kelvo.m_state != Kelvo::State::Starting)
        return;
    Config &config = *m_kelvo.m_config;
    RunSettings &s = m_kelvo.m_settings;
    QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));

    m_controls.load(config, ControlSettings::Group::Backup);
    s.autobackup = config.integer(Keys::Autobackup);
    s.utolsomentes = config.integer(Keys::utolsomentes);
    s.autobackuppath = config.string(Keys::autobackuppath);

    // The commands of the main window wait for the database: none may start on a half-opened one.
    Ui::TFoform *ui = m_kelvo.Foform()->ui();
    m_busy = std::make_shared<WorkerCall::Busy>(m_kelvo.Foform(),
                                                QList<QWidget *>{ui->ToolBar1, ui->MainMenu1, ui->lista});
    // Whether a server database is there takes a connect attempt, which may wait for its timeout.
    m_kelvo.m_worker = std::make_unique<DatabaseWorker>();
    const QString path = DatabaseStartup::databasePath(config);
    const auto exists = [path](QSqlDatabase) { return DatabaseStartup::checkExists(path); };
    WorkerCall::then(m_kelvo.m_worker->run(exists, DatabaseWorker::Limit::None), m_kelvo.Foform(),
                     [this, path](const std::optional<QString> &missing) {
                         if (missing) {
                             uzenet(*missing);
                             m_kelvo.end(1);
                             return;
                         }
                         // A due backup is whole before compaction may replace the file it copies.
                         DataBackup::automatic(m_kelvo, [this, path] { maintain(path); });
                     }, m_busy);
}

void StartupSequence::maintain(const QString &path)
{
    Config &config = *m_kelvo.m_config;
    // Compaction and the check of the version run on the worker before it opens the database: compacting replaces
    // the file under any connection open on it.
    const bool compactNow = config.boolean(Keys::karbantart);
    if (compactNow)
        config.setBoolean(Keys::karbantart, false);
    struct Checked {
        std::optional<QString> compacted;
        DatabaseStartup::VersionCheck version;
    };
    const auto check = [compactNow, path](QSqlDatabase, DatabaseWorker::Progress &) {
        Checked checked;
        if (compactNow)
            checked.compacted = QString::fromUtf8(DatabaseStartup::compact(path, path)
                                                      ? DatabaseStartup::kCompactOkMessage
                                                      : DatabaseStartup::kCompactFailedMessage);
        checked.version = DatabaseStartup::checkVersion(path);
        return checked;
    };
    WorkerCall::withProgress(m_kelvo.m_worker->runWithProgress(check), m_kelvo.Foform(),
                             QString::fromUtf8(kMaintaining), [this, path](const Checked &checked) {
        if (checked.compacted)
            uzenet(*checked.compacted);
        if (checked.version.status != DatabaseStartup::VersionCheck::Status::Ok) {
            uzenet(checked.version.message);
            m_kelvo.end(1);
            return;
        }
        openDatabase(path);
    }, m_busy, [this] { abandon(); });
}

void StartupSequence::abandon()
{
    // Without its checks and tables the program could lose weighings: it does not run on.
    uzenet(QString::fromUtf8(kAbandoned));
    m_kelvo.end(1);
}

void StartupSequence::openDatabase(const QString &path)
{
    DatabaseWorker *worker = m_kelvo.m_worker.get();
    worker->open(path);
    worker->setNetworkMode(m_kelvo.m_settings.halozati);
    // An older file gets what it lacks here: on a big database that takes minutes, with the window alive.
    const auto upgrade = [](QSqlDatabase db, DatabaseWorker::Progress &) { return Database::openTables(db); };
    WorkerCall::withProgress(worker->runWithProgress(upgrade), m_kelvo.Foform(), QString::fromUtf8(kUpgrading),
                             [this, path](const QString &error) {
                                 if (!error.isEmpty()) {
                                     // Running on without its tables the program could lose weighings: end instead.
                                     uzenet(error);
                                     m_kelvo.end(1);
                                     return;
                                 }
                                 m_kelvo.commands().followChanges(*m_kelvo.m_worker);
                                 m_busy.reset();
                                 carryOn();
                             },
                             m_busy, [this] { abandon(); });
}

void StartupSequence::carryOn()
{
    Config &config = *m_kelvo.m_config;
    RunSettings &s = m_kelvo.m_settings;
    applyIndicatorSettings();
    recordTrustSettings();
    const KelvoWindows &w = m_kelvo.windows();
    for (QWidget *window : {static_cast<QWidget *>(w.previewform()), static_cast<QWidget *>(w.Szallitasokform()),
                            static_cast<QWidget *>(w.keszletform()), static_cast<QWidget *>(w.ewcform()),
                            static_cast<QWidget *>(w.automeresek())})
        ablakbetoltes(config.ini(), window);

    m_kelvo.commands().fillInProgressList();
    s.outtxt = config.boolean(Keys::outtxt);
    s.outbat = config.boolean(Keys::outbat);

    if (!m_kelvo.m_printerInstalled()) {
        uzenet(QString::fromUtf8(kNoPrinterMessage));
        m_kelvo.end(1);
        return;
    }

    applyWindowOptions();
    m_controls.load(config, ControlSettings::Group::WeighingDefaults);
    // A site that locks the settings locks the terminal window's way into them as well.
    const bool settingsAllowed = config.boolean(Keys::enablesettings);
    m_kelvo.Foform()->ui()->mBeallitasok->setEnabled(settingsAllowed);
    m_kelvo.Terminal()->ui()->beallitasok->setEnabled(settingsAllowed);
    s.minusznapok = config.integer(Keys::minusznapok);
    w.Szallitasokform()->setModifyButtonVisible(config.boolean(Keys::modosithato) ||
                                                config.boolean(Keys::tmodosithato));
    w.modosit()->setRestricted(config.boolean(Keys::tmodosithato));
    m_controls.load(config, ControlSettings::Group::KeptEntries);
    loadDialogValues();
    m_kelvo.m_scale->open();
    m_kelvo.m_gate->configure();
    m_kelvo.m_cameras->configure();

    if (!passStartPassword()) {
        m_kelvo.end(0);
        return;
    }
    m_kelvo.m_state = Kelvo::State::Running;
    m_controls.load(config, ControlSettings::Group::Autostart);
    // Opened once start-up has returned, as the toolbar button opens it: its modal loop must not hold start-up.
    if (m_kelvo.Foform()->ui()->autoindul->isChecked())
        QTimer::singleShot(0, m_kelvo.Foform(), guarded([this] { m_kelvo.commands().showAutoWeighing(); }));
}

void StartupSequence::applyIndicatorSettings()
{
    const Config &config = *m_kelvo.m_config;
    RunSettings &s = m_kelvo.m_settings;
    s.micraorden = config.boolean(Keys::micraorden);
    s.bilanciai = config.boolean(Keys::bilanciai);
    s.lekerdez = config.boolean(Keys::lekerdez);
    s.evelojel = config.boolean(Keys::evelojel);
    s.disomatb = config.boolean(Keys::disomatb);
    s.stabilkell = config.boolean(Keys::stabilkell);
    s.minautosuly = config.integer(Keys::minautosuly);
    m_controls.load(config, ControlSettings::Group::Indicator);
    s.lekerdezparancs = config.string(Keys::lekerdezparancs);
    s.lekerdezido = config.integer(Keys::lekerdezido);
    s.nullaz = config.string(Keys::nullaz);
    m_kelvo.m_weightLink->configure(WeightLinkSettings::fromConfig(config));
}

void StartupSequence::recordTrustSettings()
{
    // The program can weigh on when this fails; the operator learns that the trail could not follow.
    WorkerCall::then(m_kelvo.m_worker->run([config = *m_kelvo.m_config](QSqlDatabase db) {
        TrustSettings::record(db, config);
    }), m_kelvo.Foform(), [] {});
}

void StartupSequence::applyWindowOptions()
{
    const Config &config = *m_kelvo.m_config;
    WeighingWindowOptions options;
    options.manualWeight = config.boolean(Keys::enablehand);
    options.tareButtons = config.boolean(Keys::tarasuly);
    options.ewcButton = config.boolean(Keys::ewcgomb);
    options.unitPrice = config.boolean(Keys::egysegar);
    m_kelvo.kezdesform()->applyOptions(options);
    m_kelvo.befejezesform()->applyOptions(options);
}

void StartupSequence::loadDialogValues()
{
    const Config &config = *m_kelvo.m_config;
    Tbeallitasok *dialog = m_kelvo.beallitasok();
    m_controls.load(config, ControlSettings::Group::Dialog);
    // The indicator switches show what the link runs with, which OK may have set without the file keeping it.
    const RunSettings &s = m_kelvo.m_settings;
    dialog->ui()->orden->setChecked(s.micraorden);
    dialog->ui()->bilanciai->setChecked(s.bilanciai);
    dialog->ui()->lekerdez->setChecked(s.lekerdez);
    dialog->ui()->stabilkell->setChecked(s.stabilkell);
    dialog->setConnectionPageVisible(config.boolean(Keys::comsettings));

    dialog->setCompanyLines({});
    const CompanyData::StartupLoad company = CompanyData::loadAtStartup(m_kelvo.m_programFolder);
    if (!company.message.isEmpty())
        uzenet(company.message);
    dialog->setCompanyLines(company.lines);
    if (company.saveFailed)
        uzenet(QString::fromUtf8(CompanyData::kSaveFailedMessage));

    dialog->selectTemplate(m_kelvo.m_settings.merlegjegy);
    m_kelvo.befejezesform()->applyLayout(config.boolean(Keys::levonasoklatszik), config.boolean(Keys::tablalatszik));
    m_kelvo.m_settings.hitlejar = dialog->calibrationDate();
    m_kelvo.m_settings.maxsuly = config.integer(Keys::maxsuly);
    calibrationCheck();
}

void StartupSequence::calibrationCheck()
{
    if (const auto warning = calibrationWarning(m_kelvo.m_settings.hitlejar, m_kelvo.m_today()))
        uzenet(*warning);
}

bool StartupSequence::passStartPassword()
{
    RunSettings &s = m_kelvo.m_settings;
    s.password = TextCodec::decode(dekodol(m_kelvo.m_config->string(Keys::Pass)));
    if (s.password.isEmpty())
        return true;
    Tjelszoform *form = m_kelvo.jelszoform();
    form->setPassword(s.password);
    form->exec();
    return form->passed();
}
