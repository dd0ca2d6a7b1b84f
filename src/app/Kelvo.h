#pragma once

#include "KelvoWindows.h"
#include "TicketSettings.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class CameraWiring;
class Config;
class ControlSettings;
class DatabaseWorker;
class GateWiring;
class InProgressModel;
class MainCommands;
class ScaleWiring;
class SettingsCommands;
class StartupSequence;
class TicketPrintQueue;
class WeightLink;

// The settings the program holds in memory for the run (the rest live in the controls of their windows).
struct RunSettings {
    QString merlegjegy;
    QString winwordfile;
    bool worddirectprint = false;
    bool halozati = false;
    bool nullazgomb = true;
    bool evelojel = true;
    bool outtxt = false;
    bool outbat = false;
    bool micraorden = false;
    bool bilanciai = false;
    bool lekerdez = false;
    bool disomatb = false;
    bool stabilkell = false; // only a weight at rest may be taken from the scale
    qint64 minautosuly = 200;
    QString lekerdezparancs;
    qint64 lekerdezido = 1000;
    QString nullaz;
    qint64 minusznapok = 30;
    qint64 maxsuly = 999999;
    QDate hitlejar;
    qint64 autobackup = 0;
    qint64 utolsomentes = 0;
    QString autobackuppath;
    QString password; // decoded start password; empty: none asked
};

// The application shell. It holds what the run shares (windows, configuration, database, weight link, settings)
// and the parts that act on it: the start-up sequence, the main window's commands, the scale wiring, ticket
// printing and the shutdown.
class Kelvo : public QObject
{
    Q_OBJECT

public:
    static constexpr double kVersion = 4.64;
    enum class State { Starting, Running, Ended };

    // watchdogMs: the link watchdog's interval (tests shorten it).
    explicit Kelvo(QString programFolder, QObject *parent = nullptr, int watchdogMs = 3000);
    ~Kelvo() override;

    // Creates windows 1 to 20 and wires them. False when the program must end at once (the message has been
    // shown).
    bool createWindows();

    // Whether a printer is installed; replaceable for tests.
    void setPrinterCheck(std::function<bool()> check) { m_printerInstalled = std::move(check); }
    // Today's date for the calibration check; replaceable for tests.
    void setToday(std::function<QDate()> today) { m_today = std::move(today); }

    QDate today() const { return m_today(); }
    State state() const { return m_state; }
    int exitCode() const { return m_exitCode; }

    const QString &programFolder() const { return m_programFolder; }
    Config *config() const { return m_config.get(); }
    // The database work of the windows runs here, off the window thread; null until the database is open.
    DatabaseWorker *worker() const { return m_worker.get(); }
    InProgressModel *inProgress() const { return m_inProgress; }
    WeightLink *weightLink() const { return m_weightLink; }
    RunSettings &settings() { return m_settings; }
    const RunSettings &settings() const { return m_settings; }
    const KelvoWindows &windows() const { return m_windows; }
    MainCommands &commands() const { return *m_commands; }
    SettingsCommands &settingsCommands() const { return *m_settingsCommands; }
    // The gate's lights, barrier and light barriers at this station.
    GateWiring &gate() const { return *m_gate; }
    // The cameras that picture every weighing at this station.
    CameraWiring &cameras() const { return *m_cameras; }

    // The named windows.
    TFoform *Foform() const { return m_windows.Foform(); }
    Tlogoform *logoform() const { return m_windows.logoform(); }
    Tjelszoform *jelszoform() const { return m_windows.jelszoform(); }
    Tmodosit *modosit() const { return m_windows.modosit(); }
    Tkezdesform *kezdesform() const { return m_windows.kezdesform(); }
    Tbefejezesform *befejezesform() const { return m_windows.befejezesform(); }
    Tbeallitasok *beallitasok() const { return m_windows.beallitasok(); }
    TSzallitasokform *Szallitasokform() const { return m_windows.Szallitasokform(); }
    TTerminal *Terminal() const { return m_windows.Terminal(); }
    Tewcform *ewcform() const { return m_windows.ewcform(); }

    // Services the windows use.
    void flashSaved(QWidget *over);
    // A weighing was stored (finished: the second one, the transport is done): the lights and the barrier follow.
    void weighingStored(bool finished);
    // Whether a ticket print is the first one after "Befejezés" or a reprint (which leaves a row in the trail).
    enum class PrintKind { Finished, Reprint };
    // Queues the print of the ticket of the serial number with the template chosen, as the printing mode says (or
    // as mode says, for this print only); returns at once. Prints go out one at a time in the order asked.
    void printTicket(qint64 sorszam, const QString &templateName, std::optional<PrintMode> mode = std::nullopt,
                     PrintKind kind = PrintKind::Finished);
    TicketPrintQueue &printQueue() const { return *m_tickets; }
    // The template reprints use: the default template setting, else the one chosen in the settings dialog.
    QString reprintTemplate() const;
    QStringList templateNames() const;
    QString selectedTemplate() const;
    int printMode() const;
    QStringList companyLines() const;

    // The steps, public so tests can drive them without a message loop.
    void firstShow();
    void initialise();
    void shutdown();
    // The settings dialog's values from the file again, with their messages (start-up and "Mégse").
    void loadDialogValues();
    void recordTrustSettings();

signals:
    void ended(int exitCode);

private:
    friend class StartupSequence;
    void end(int exitCode);

    QString m_programFolder;
    std::unique_ptr<Config> m_config;
    std::unique_ptr<DatabaseWorker> m_worker;
    // Declared after the database: the windows go first.
    KelvoWindows m_windows;
    InProgressModel *m_inProgress = nullptr; // owned by the main window
    int m_watchdogMs = 3000;
    WeightLink *m_weightLink = nullptr; // owned by the main window
    RunSettings m_settings;
    std::function<bool()> m_printerInstalled;
    std::function<QDate()> m_today;
    State m_state = State::Starting;
    int m_exitCode = 0;

    std::unique_ptr<ControlSettings> m_controlSettings;
    std::unique_ptr<StartupSequence> m_startup;
    std::unique_ptr<SettingsCommands> m_settingsCommands;
    std::unique_ptr<MainCommands> m_commands;
    std::unique_ptr<ScaleWiring> m_scale;
    std::unique_ptr<GateWiring> m_gate;
    std::unique_ptr<CameraWiring> m_cameras;
    std::unique_ptr<TicketPrintQueue> m_tickets;
};
