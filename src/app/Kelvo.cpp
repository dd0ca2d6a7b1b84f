#include "Kelvo.h"

#include "CameraWiring.h"

#include "Config.h"
#include "ControlSettings.h"
#include "Database.h"
#include "DatabaseWorker.h"
#include "GateWiring.h"
#include "InProgressModel.h"
#include "MainCommands.h"
#include "ScaleWiring.h"
#include "Seged.h"
#include "SettingsCommands.h"
#include "ShutdownSequence.h"
#include "StartupSequence.h"
#include "TicketPrintQueue.h"
#include "WindowHelpers.h"
#include "WeightLink.h"

#include "TFoform.h"
#include "Tbeallitasok.h"
#include "Tbefejezesform.h"
#include "Tewcform.h"
#include "Tkezdesform.h"
#include "Tlogoform.h"
#include "Tmodosit.h"
#include "Tokform.h"

#include <QPrinterInfo>
#include <QStyle>
#include <QTreeView>

#include "ui_TFoform.h"

Kelvo::Kelvo(QString programFolder, QObject *parent, int watchdogMs)
    : QObject(parent)
    , m_programFolder(std::move(programFolder))
    , m_watchdogMs(watchdogMs)
    , m_printerInstalled([] { return !QPrinterInfo::availablePrinterNames().isEmpty(); })
    , m_today([] { return QDate::currentDate(); })
{
}

Kelvo::~Kelvo() = default;

bool Kelvo::createWindows()
{
    if (!m_windows.create(kVersion)) {
        end(1);
        return false;
    }
    TFoform *main = m_windows.Foform();
    m_inProgress = new InProgressModel(main);
    m_inProgress->setIcons(main->style()->standardIcon(QStyle::SP_ArrowRight),
                           main->style()->standardIcon(QStyle::SP_ArrowLeft));
    main->ui()->lista->setModel(m_inProgress);
    m_weightLink = new WeightLink(main, m_watchdogMs);

    m_windows.kezdesform()->attach(this);
    m_windows.befejezesform()->attach(this);
    m_windows.modosit()->attach(this);
    m_windows.ewcform()->attach(this);
    connect(m_windows.kezdesform(), &Tkezdesform::ewcRequested, m_windows.ewcform(), &QDialog::exec);
    connect(m_windows.ewcform(), &Tewcform::codeChosen, m_windows.kezdesform(), &Tkezdesform::setProductCode);

    m_controlSettings = std::make_unique<ControlSettings>(m_windows.all());
    m_startup = std::make_unique<StartupSequence>(*this, *m_controlSettings);
    m_settingsCommands = std::make_unique<SettingsCommands>(*this);
    m_commands = std::make_unique<MainCommands>(*this);
    m_scale = std::make_unique<ScaleWiring>(*this);
    m_gate = std::make_unique<GateWiring>(*this);
    m_cameras = std::make_unique<CameraWiring>(*this);
    m_tickets = std::make_unique<TicketPrintQueue>(*this);
    m_commands->followPrints(*m_tickets);

    connect(main, &TFoform::shown, this, [this](bool first) {
        if (first)
            firstShow();
        m_startup->everyShow();
    });
    connect(main, &TFoform::initialiseRequested, this, &Kelvo::initialise);
    connect(main, &TFoform::closing, this, &Kelvo::shutdown);
    return true;
}

void Kelvo::end(int exitCode)
{
    m_state = State::Ended;
    m_exitCode = exitCode;
    homokora(false);
    emit ended(exitCode);
}

void Kelvo::firstShow()
{
    m_startup->firstShow();
}

void Kelvo::initialise()
{
    m_startup->initialise();
}

void Kelvo::loadDialogValues()
{
    m_startup->loadDialogValues();
}

void Kelvo::recordTrustSettings()
{
    if (m_state == State::Running)
        m_startup->recordTrustSettings();
}

void Kelvo::shutdown()
{
    if (m_state == State::Ended)
        return;
    if (m_config)
        ShutdownSequence(*this, *m_controlSettings).run();
    m_scale->close();
    m_gate->close();
    // A weighing still waiting for its pictures is not stored: the operator never saw it stored.
    m_cameras->close();
    // A print still going ends here (a ticket the printer took is still counted); the waiting ones are dropped.
    m_tickets->stop();
    // What was given to the database runs to its end (a ticket being stored is stored); long reads stop.
    if (m_worker)
        m_worker->stop();
    // Closing the main window ends the program, whatever other window (the raw line viewer) is still open.
    for (QWidget *w : m_windows.all()) {
        if (w != m_windows.Foform())
            w->hide();
    }
    end(0);
}

void Kelvo::flashSaved(QWidget *over)
{
    m_windows.okform()->flash(over ? over : m_windows.Foform());
}

void Kelvo::weighingStored(bool finished)
{
    m_gate->weighingStored(finished);
}

void Kelvo::printTicket(qint64 sorszam, const QString &templateName, std::optional<PrintMode> mode, PrintKind kind)
{
    m_tickets->print(sorszam, templateName, mode, kind == PrintKind::Reprint);
}

QString Kelvo::reprintTemplate() const
{
    const QString &name = m_settings.merlegjegy;
    return name.isEmpty() ? selectedTemplate() : name;
}

QStringList Kelvo::templateNames() const
{
    return m_windows.beallitasok()->templateNames();
}

QString Kelvo::selectedTemplate() const
{
    return m_windows.beallitasok()->selectedTemplate();
}

int Kelvo::printMode() const
{
    return m_windows.beallitasok()->printMode();
}

QStringList Kelvo::companyLines() const
{
    return m_windows.beallitasok()->companyLines();
}
