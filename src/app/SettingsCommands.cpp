#include "SettingsCommands.h"

#include "CompanyData.h"
#include "Config.h"
#include "DatabaseStartup.h"
#include "DatabaseUri.h"
#include "CameraPage.h"
#include "CameraWiring.h"
#include "GatePage.h"
#include "GateWiring.h"
#include "Kelvo.h"
#include "MessageBoxes.h"
#include "Seged.h"
#include "SlotGuard.h"
#include "WeightLink.h"

#include "TFoform.h"
#include "TPortListForm.h"
#include "Tbeallitasok.h"

#include "ui_Tbeallitasok.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

constexpr char kWrongPassword[] = "A jelenlegi jelszó nem eggyezik a megadottal !";
constexpr char kPasswordsDiffer[] = "Az új jelszavak nem eggyeznek !";
constexpr char kTrustNotSaved[] = "A(z) \"%1\" beállítás nem menthető, ezért nem lép életbe.\n%2";

QString dialogString(const Config &config, const ConfigKey &key)
{
    return config.ini().readString(QLatin1String(key.section), QLatin1String(key.name), config.dialogDefaultText(key));
}

bool dialogBoolean(const Config &config, const ConfigKey &key)
{
    return config.ini().readBool(QLatin1String(key.section), QLatin1String(key.name),
                                 config.dialogDefaultText(key) == QLatin1String("1"));
}

} // namespace

SettingsCommands::SettingsCommands(Kelvo &kelvo)
    : m_kelvo(kelvo)
{
    Tbeallitasok *dialog = kelvo.beallitasok();
    connect(dialog, &Tbeallitasok::okRequested, this, guarded(this, &SettingsCommands::accept));
    connect(dialog, &Tbeallitasok::cancelRequested, this, guarded(this, &SettingsCommands::cancel));
    connect(dialog, &Tbeallitasok::passwordChangeRequested, this, guarded(this, &SettingsCommands::changePassword));
    connect(dialog, &Tbeallitasok::portListRequested, this, guarded([dialog] {
                TPortListForm list(dialog);
                list.exec();
            }));
    connect(dialog, &Tbeallitasok::databaseFolderRequested, this, [this] {
        const DatabaseUri uri = DatabaseUri::parse(DatabaseStartup::databasePath(*m_kelvo.config()));
        if (!uri.isServer())
            QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(uri.filePath()).absolutePath()));
    });
    connect(dialog, &Tbeallitasok::iniFileRequested, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_kelvo.config()->ini().fileName()));
    });
}

void SettingsCommands::open(bool connectionPage)
{
    const Config &config = *m_kelvo.config();
    Tbeallitasok *dialog = m_kelvo.beallitasok();
    Ui::Tbeallitasok *ui = dialog->ui();
    const DatabaseUri uri = DatabaseUri::parse(DatabaseStartup::databasePath(config));
    // The line names what it shows: a file's path, or the server and database of a URI.
    ui->lbl_adatbazismappa->setText(uri.isServer() ? QStringLiteral("Adatbázis-kiszolgáló:")
                                                   : QStringLiteral("Adatbázis fájl:"));
    ui->adatbazismappa->setText(uri.isServer() ? uri.displayName() : QFileInfo(uri.filePath()).absoluteFilePath());
    ui->inifile->setText(config.ini().fileName());

    dialog->setPrintMode(int(config.integer(Keys::Printmode)));
    ui->be1->setText(dialogString(config, Keys::be1));
    ui->be2->setText(dialogString(config, Keys::be2));
    ui->ki1->setText(dialogString(config, Keys::ki1));
    ui->ki2->setText(dialogString(config, Keys::ki2));
    // A company file deleted while the program runs must not blank the block the tickets print: keep it.
    if (const auto lines = CompanyData::load(m_kelvo.programFolder()))
        dialog->setCompanyLines(*lines);

    const RunSettings &s = m_kelvo.settings();
    ui->outcheck->setChecked(s.outtxt);
    ui->outbatcheck->setChecked(s.outbat);
    ui->evelojelch->setChecked(s.evelojel);
    ui->karban->setChecked(dialogBoolean(config, Keys::karbantart));
    dialog->gatePage()->load(config);
    dialog->cameraPage()->load(config);
    ui->regijelszo->clear();
    ui->ujjelszo->clear();
    ui->ujjelszo2->clear();
    dialog->applyPrintModeRule();
    if (connectionPage)
        dialog->showConnectionPage();
    const QWidget *main = m_kelvo.Foform();
    dialog->move(main->frameGeometry().center() - dialog->rect().center());
    dialog->exec();
}

void SettingsCommands::accept()
{
    Tbeallitasok *dialog = m_kelvo.beallitasok();
    Ui::Tbeallitasok *ui = dialog->ui();
    // What the operator confirmed is in force for the run even when the file refuses to keep it; a trust setting
    // only once stored (below).
    RunSettings &s = m_kelvo.settings();
    s.evelojel = ui->evelojelch->isChecked();
    s.merlegjegy = dialog->selectedTemplate();
    s.micraorden = ui->orden->isChecked();
    s.bilanciai = ui->bilanciai->isChecked();
    s.lekerdez = ui->lekerdez->isChecked();
    m_kelvo.weightLink()->applyIndicatorFlags(s.micraorden, s.bilanciai, s.lekerdez);
    s.outtxt = ui->outcheck->isChecked();
    s.outbat = ui->outbatcheck->isChecked();
    s.hitlejar = dialog->calibrationDate();
    s.autobackup = dialog->backupMode();
    const bool stable = ui->stabilkell->isChecked();
    const bool position = dialog->gatePage()->positionRequired();
    const QString failure = writeSettings();
    // A trust setting is in force only once the file holds it: the file and the trail must tell an inspector what
    // was in force. Unstored, the old value stays and the dialog shows it again.
    if (stable == m_kelvo.config()->boolean(Keys::stabilkell))
        s.stabilkell = stable;
    else
        ui->stabilkell->setChecked(s.stabilkell);
    // The position check reads the file at each weighing: what the file holds is what is in force.
    const bool positionInForce = m_kelvo.config()->boolean(Keys::fenykapukell);
    dialog->gatePage()->setPositionRequired(positionInForce);
    if (stable != s.stabilkell)
        uzenet(QString::fromUtf8(kTrustNotSaved).arg(ui->stabilkell->text(), failure));
    else if (position != positionInForce)
        uzenet(QString::fromUtf8(kTrustNotSaved).arg(dialog->gatePage()->positionRequiredLabel(), failure));
    else if (!failure.isEmpty())
        uzenet(failure);
    // The module as the file says now: made, remade or removed.
    m_kelvo.gate().configure();
    m_kelvo.cameras().configure();
    if (failure.isEmpty())
        m_kelvo.recordTrustSettings();
    dialog->done(QDialog::Accepted);
}

QString SettingsCommands::writeSettings()
{
    Config &config = *m_kelvo.config();
    Tbeallitasok *dialog = m_kelvo.beallitasok();
    Ui::Tbeallitasok *ui = dialog->ui();
    const bool written =
        config.setString(Keys::be1, ui->be1->text()) && config.setString(Keys::be2, ui->be2->text()) &&
        config.setString(Keys::ki1, ui->ki1->text()) && config.setString(Keys::ki2, ui->ki2->text()) &&
        config.setInteger(Keys::Printmode, dialog->printMode()) &&
        config.setInteger(Keys::Autobackup, dialog->backupMode()) &&
        config.setBoolean(Keys::micraorden, ui->orden->isChecked()) &&
        config.setBoolean(Keys::bilanciai, ui->bilanciai->isChecked()) &&
        config.setBoolean(Keys::lekerdez, ui->lekerdez->isChecked()) &&
        config.setBoolean(Keys::evelojel, ui->evelojelch->isChecked()) &&
        config.setString(Keys::merlegjegy, dialog->selectedTemplate());
    if (!written)
        return QString::fromUtf8(kSaveFailedMessage);
    if (!CompanyData::save(m_kelvo.programFolder(), dialog->companyLines()))
        return QString::fromUtf8(CompanyData::kSaveFailedMessage);
    const bool rest = config.setBoolean(Keys::outtxt, ui->outcheck->isChecked()) &&
                      config.setBoolean(Keys::outbat, ui->outbatcheck->isChecked()) &&
                      config.setBoolean(Keys::karbantart, ui->karban->isChecked()) &&
                      config.setBoolean(Keys::sulylekerdez, ui->sulylekerdez->isChecked()) &&
                      config.setString(Keys::hostport, ui->hostport->text()) &&
                      config.setString(Keys::hostip, ui->hostip->text()) &&
                      config.setDate(Keys::hitlejar, dialog->calibrationDate()) &&
                      config.setBoolean(Keys::stabilkell, ui->stabilkell->isChecked()) &&
                      dialog->gatePage()->save(config) && dialog->cameraPage()->save(config);
    return rest ? QString() : QString::fromUtf8(kSaveFailedMessage);
}

void SettingsCommands::cancel()
{
    m_kelvo.loadDialogValues();
    m_kelvo.beallitasok()->done(QDialog::Rejected);
}

void SettingsCommands::changePassword()
{
    Ui::Tbeallitasok *ui = m_kelvo.beallitasok()->ui();
    RunSettings &s = m_kelvo.settings();
    if (ui->regijelszo->text() != s.password) {
        uzenet(QString::fromUtf8(kWrongPassword));
        ui->regijelszo->setFocus();
        return;
    }
    if (ui->ujjelszo->text() != ui->ujjelszo2->text()) {
        uzenet(QString::fromUtf8(kPasswordsDiffer));
        return;
    }
    const QString password = ui->ujjelszo->text();
    if (!m_kelvo.config()->setString(Keys::Pass, kodol(password))) {
        uzenet(QString::fromUtf8(kSaveFailedMessage));
        return;
    }
    // A second change in the same run needs the password just set, as the next start will.
    s.password = password;
    m_kelvo.flashSaved(m_kelvo.beallitasok());
}
