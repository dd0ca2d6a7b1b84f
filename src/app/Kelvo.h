#pragma once

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class Config;
class Database;
class InProgressModel;
class T_adatbazisok;
class T_previewform;
class T_reportok;
class TFoform;
class TSetportForm;
class TSzallitasokform;
class TTerminal;
class Tautomeresek;
class Tautomeresform;
class Tbeallitasok;
class Tbefejezesform;
class Tewcform;
class Tjelszoform;
class Tkeszletform;
class Tkezdesform;
class Tlogoform;
class Tmodosit;
class Tnyomtatasismetel;
class Tokform;
class Tprnform;
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

// The application shell: creates every window once, in a fixed order, runs the initialisation when the main
// window is first shown, and writes the remembered values back when it closes.
class Kelvo : public QObject
{
    Q_OBJECT

public:
    static constexpr double kVersion = 4.64;
    enum class State { Starting, Running, Ended };

    // watchdogMs: the link watchdog's interval (tests shorten it).
    explicit Kelvo(QString programFolder, QObject *parent = nullptr, int watchdogMs = 3000);
    ~Kelvo() override;

    // Creates windows 1 to 20, showing the splash after the sixth. False when the list reports cannot get a
    // printer driver: the message has been shown and the program must end.
    bool createWindows();

    // Whether a printer is installed; replaceable for tests.
    void setPrinterCheck(std::function<bool()> check) { m_printerInstalled = std::move(check); }
    // Today's date for the calibration check; replaceable for tests.
    void setToday(std::function<QDate()> today) { m_today = std::move(today); }

    State state() const { return m_state; }
    int exitCode() const { return m_exitCode; }

    const QString &programFolder() const { return m_programFolder; }
    Config *config() const { return m_config.get(); }
    Database *database() const { return m_database.get(); }
    InProgressModel *inProgress() const { return m_inProgress; }
    WeightLink *weightLink() const { return m_weightLink; }
    RunSettings &settings() { return m_settings; }
    // The own company block as the settings dialog holds it.
    QStringList companyLines() const;

    // The named windows.
    TFoform *Foform() const { return m_Foform.get(); }
    Tlogoform *logoform() const { return m_logoform.get(); }
    Tjelszoform *jelszoform() const { return m_jelszoform.get(); }
    Tmodosit *modosit() const { return m_modosit.get(); }
    Tautomeresform *automeresform() const { return m_automeresform.get(); }
    Tautomeresek *automeresek() const { return m_automeresek.get(); }
    Tkezdesform *kezdesform() const { return m_kezdesform.get(); }
    Tokform *okform() const { return m_okform.get(); }
    Tbefejezesform *befejezesform() const { return m_befejezesform.get(); }
    Tbeallitasok *beallitasok() const { return m_beallitasok.get(); }
    Tprnform *prnform() const { return m_prnform.get(); }
    TSzallitasokform *Szallitasokform() const { return m_Szallitasokform.get(); }
    T_reportok *reportok() const { return m_reportok.get(); }
    T_previewform *previewform() const { return m_previewform.get(); }
    Tkeszletform *keszletform() const { return m_keszletform.get(); }
    TSetportForm *SetportForm() const { return m_SetportForm.get(); }
    TTerminal *Terminal() const { return m_Terminal.get(); }
    Tewcform *ewcform() const { return m_ewcform.get(); }
    Tnyomtatasismetel *nyomtatasismetel() const { return m_nyomtatasismetel.get(); }
    T_adatbazisok *adatbazisok() const { return m_adatbazisok.get(); }

    // Rebuilds the in-progress list from the table and updates the status bar's first panel.
    void fillInProgressList();
    // The settings dialog's values, as at start-up and on its "Mégse" (with their messages).
    void loadDialogValues();
    // Shows the warning when the calibration expires within 30 days or has expired.
    void calibrationCheck();

    // Commands of the main window.
    void newTransport();
    // fromList: started by a double-click or Enter on a row, whose plate is put in.
    void finishTransport(bool fromList);
    void refreshList();
    void swapDirection();
    void deleteSelected();
    void reweighSelected();
    void deleteAllInProgress();
    void deleteStoredTares();
    void showHelp();
    void showAbout();
    void openWebPage();
    // The "Szerkesztés" menu and the list's pop-up menu enable their items as things stand.
    void updateMenus();

    // The saved notice, centred on the given window.
    void flashSaved(QWidget *over);
    // Fills and prints the ticket of the serial number with the template chosen, as the printing mode says.
    void printTicket(qint64 sorszam, const QString &templateName);
    QStringList templateNames() const;
    QString selectedTemplate() const;
    int printMode() const;

    // The steps, public so tests can drive them without a message loop.
    void firstShow();
    void initialise();
    void shutdown();

signals:
    void ended(int exitCode);

private:
    void end(int exitCode);
    void applyWeighingWindowOptions();
    void restoreKeptEntries();
    void applyRestrictedModification();
    void fillTemplateList();
    void connectCommands();
    QString selectedPlate() const;
    int selectedRow() const;
    void selectRow(int row);

    // Steps whose windows or links are built by their own subsystems.
    void runAutomaticBackupIfDue();
    void applyIndicatorSettings();
    void connectWeightLink();
    void openWeightLink();
    void closeWeightLink();
    void startAutomaticWeighing();

    QString m_programFolder;
    std::unique_ptr<Config> m_config;
    std::unique_ptr<Database> m_database;
    InProgressModel *m_inProgress = nullptr;
    int m_watchdogMs = 3000;
    WeightLink *m_weightLink = nullptr; // owned by the main window
    RunSettings m_settings;
    std::function<bool()> m_printerInstalled;
    std::function<QDate()> m_today;
    State m_state = State::Starting;
    int m_exitCode = 0;

    std::unique_ptr<TFoform> m_Foform;
    std::unique_ptr<Tlogoform> m_logoform;
    std::unique_ptr<Tjelszoform> m_jelszoform;
    std::unique_ptr<Tmodosit> m_modosit;
    std::unique_ptr<Tautomeresform> m_automeresform;
    std::unique_ptr<Tautomeresek> m_automeresek;
    std::unique_ptr<Tkezdesform> m_kezdesform;
    std::unique_ptr<Tokform> m_okform;
    std::unique_ptr<Tbefejezesform> m_befejezesform;
    std::unique_ptr<Tbeallitasok> m_beallitasok;
    std::unique_ptr<Tprnform> m_prnform;
    std::unique_ptr<TSzallitasokform> m_Szallitasokform;
    std::unique_ptr<T_reportok> m_reportok;
    std::unique_ptr<T_previewform> m_previewform;
    std::unique_ptr<Tkeszletform> m_keszletform;
    std::unique_ptr<TSetportForm> m_SetportForm;
    std::unique_ptr<TTerminal> m_Terminal;
    std::unique_ptr<Tewcform> m_ewcform;
    std::unique_ptr<Tnyomtatasismetel> m_nyomtatasismetel;
    std::unique_ptr<T_adatbazisok> m_adatbazisok;
};
