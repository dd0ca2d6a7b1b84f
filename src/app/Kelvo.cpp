#include "Kelvo.h"

#include "Ablak.h"
#include "CalibrationCheck.h"
#include "CompanyData.h"
#include "Config.h"
#include "Database.h"
#include "DatabaseStartup.h"
#include "InProgressModel.h"
#include "MessageBoxes.h"
#include "Seged.h"
#include "WindowHelpers.h"
#include "TextCodec.h"
#include "InProgress.h"
#include "MasterData.h"
#include "TicketPrintDialogs.h"
#include "TicketPrinter.h"
#include "TicketSettings.h"
#include "WeightLink.h"

#include "T_adatbazisok.h"
#include "T_previewform.h"
#include "T_reportok.h"
#include "TFoform.h"
#include "TSetportForm.h"
#include "TSzallitasokform.h"
#include "TTerminal.h"
#include "Tautomeresek.h"
#include "Tautomeresform.h"
#include "Tbeallitasok.h"
#include "Tbefejezesform.h"
#include "Tewcform.h"
#include "Tjelszoform.h"
#include "Tkeszletform.h"
#include "Tkezdesform.h"
#include "Tlogoform.h"
#include "Tmodosit.h"
#include "Tnyomtatasismetel.h"
#include "Tokform.h"
#include "Tprnform.h"

#include "ui_TFoform.h"
#include "ui_TSzallitasokform.h"
#include "ui_Tautomeresform.h"
#include "ui_Tbeallitasok.h"
#include "ui_Tbefejezesform.h"
#include "ui_Tkezdesform.h"
#include "ui_Tmodosit.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <QHeaderView>
#include <QLocale>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <exception>

namespace {

constexpr char kNoPrinterMessage[] = "Nincs telepített nyomtató a rendszerben !";
constexpr char kPrinterDriverCaption[] = "Nyomtató hiba";
constexpr char kPrinterDriverMessage[] = "Nem tölthető be érvényes nyomtató-meghajtó driver.";
constexpr char kInProgressStatus[] = " Folyamatban lévő szállítások: ";
constexpr char kHelpMissing[] = "A súgó nem található !";
constexpr char kDeleteQuestion[] = "Törli a(z) %1 rendszámú megkezdett szállítást a listából ?";
constexpr char kReweighQuestion[] = "Módosítja a rögzített tömeget a jelenleg mért értékkel ?\r";
constexpr char kDeleteAllQuestion[] = "Biztos törli a folyamatban lévő összes szállítást ?";
constexpr char kDeleteTaresQuestion[] = "Törli az összes rendszámhoz tartozó rögzített tárasúlyt ?";
constexpr char kWebPage[] = "https://www.kelvo.example/";

QList<QRadioButton *> radioItems(QWidget *group)
{
    QList<QRadioButton *> items;
    for (int i = 0;; ++i) {
        auto *item = group->findChild<QRadioButton *>(group->objectName() + QLatin1Char('_') + QString::number(i));
        if (!item)
            return items;
        items.append(item);
    }
}

void selectRadio(QWidget *group, qint64 index)
{
    const QList<QRadioButton *> items = radioItems(group);
    if (index >= 0 && index < items.size())
        items.at(int(index))->setChecked(true);
}

} // namespace

Kelvo::Kelvo(QString programFolder, QObject *parent, int watchdogMs)
    : QObject(parent)
    , m_programFolder(std::move(programFolder))
    , m_watchdogMs(watchdogMs)
    , m_printerInstalled([] { return !QPrinterInfo::availablePrinterNames().isEmpty(); })
    , m_today([] { return QDate::currentDate(); })
{
}

Kelvo::~Kelvo()
{
    // Windows go before the database they show.
    m_adatbazisok.reset();
    m_Foform.reset();
}

bool Kelvo::createWindows()
{
    m_Foform = std::make_unique<TFoform>();
    m_logoform = std::make_unique<Tlogoform>();
    m_jelszoform = std::make_unique<Tjelszoform>();
    m_modosit = std::make_unique<Tmodosit>();
    m_automeresform = std::make_unique<Tautomeresform>();
    m_automeresek = std::make_unique<Tautomeresek>();

    m_logoform->show();
    m_logoform->setVersionText(kVersion);

    m_kezdesform = std::make_unique<Tkezdesform>();
    m_okform = std::make_unique<Tokform>();
    m_befejezesform = std::make_unique<Tbefejezesform>();
    m_beallitasok = std::make_unique<Tbeallitasok>();
    m_prnform = std::make_unique<Tprnform>();
    m_Szallitasokform = std::make_unique<TSzallitasokform>();
    try {
        m_reportok = std::make_unique<T_reportok>();
    } catch (const std::exception &) {
        m_logoform->hide();
        hibauzenet(QString::fromUtf8(kPrinterDriverCaption), QString::fromUtf8(kPrinterDriverMessage));
        end(1);
        return false;
    }
    m_previewform = std::make_unique<T_previewform>();
    m_keszletform = std::make_unique<Tkeszletform>();
    m_SetportForm = std::make_unique<TSetportForm>();
    m_Terminal = std::make_unique<TTerminal>();
    m_ewcform = std::make_unique<Tewcform>();
    m_nyomtatasismetel = std::make_unique<Tnyomtatasismetel>();
    m_adatbazisok = std::make_unique<T_adatbazisok>();

    m_inProgress = new InProgressModel(m_Foform.get());
    m_inProgress->setIcons(m_Foform->style()->standardIcon(QStyle::SP_ArrowRight),
                           m_Foform->style()->standardIcon(QStyle::SP_ArrowLeft));
    m_Foform->ui()->lista->setModel(m_inProgress);
    connectWeightLink();
    m_kezdesform->attach(this);
    m_befejezesform->attach(this);
    m_modosit->attach(this);
    m_ewcform->attach(this);
    connectCommands();

    connect(m_Foform.get(), &TFoform::shown, this, [this](bool first) {
        if (first)
            firstShow();
        m_Foform->ui()->sulylabel1->setFont([this] {
            QFont font = m_Foform->ui()->sulylabel1->font();
            font.setFamily(m_config->string(Keys::sulybetutipus));
            return font;
        }());
        m_logoform->timer()->start();
    });
    connect(m_Foform.get(), &TFoform::initialiseRequested, this, &Kelvo::initialise);
    connect(m_Foform.get(), &TFoform::closing, this, &Kelvo::shutdown);
    return true;
}

QStringList Kelvo::companyLines() const
{
    const QString text = m_beallitasok->ui()->sajatceg->toPlainText();
    return text.isEmpty() ? QStringList{} : text.split(QLatin1Char('\n'));
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
    m_config = std::make_unique<Config>(Config::locateIniFile(m_programFolder), m_programFolder);
    ablakbetoltes(m_config->ini(), m_Foform.get());

    const QList<int> widths = m_config->columnWidths(Keys::kFolyamatbanOszlop, InProgressModel::kColumnCount);
    QHeaderView *header = m_Foform->ui()->lista->header();
    for (int i = 0; i < widths.size(); ++i)
        header->resizeSection(i, widths.at(i));

    fillTemplateList();

    m_settings.merlegjegy = m_config->string(Keys::merlegjegy);
    m_settings.winwordfile = m_config->string(Keys::winwordfile);
    m_settings.worddirectprint = m_config->boolean(Keys::worddirectprint);
    m_settings.halozati = m_config->boolean(Keys::halozati);
    m_settings.nullazgomb = m_config->boolean(Keys::nullazgomb);
    Ui::TFoform *ui = m_Foform->ui();
    ui->nullaimage->setVisible(m_settings.nullazgomb);
    ui->bfrissit->setVisible(m_settings.halozati);
    ui->mFrissites->setVisible(m_settings.halozati);
}

void Kelvo::fillTemplateList()
{
    QStringList names;
    fajllista(m_programFolder, QStringLiteral("merleg*.htm"), names);
    std::sort(names.begin(), names.end());
    QComboBox *box = m_beallitasok->ui()->sablonfile;
    box->clear();
    box->addItems(names);
}

void Kelvo::initialise()
{
    if (m_state != State::Starting)
        return;
    homokora(true);
    m_Foform->repaint();
    QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));

    const QString path = DatabaseStartup::databasePath(*m_config);
    if (const auto missing = DatabaseStartup::checkExists(path)) {
        homokora(false);
        uzenet(*missing);
        end(1);
        return;
    }

    m_settings.autobackup = m_config->integer(Keys::Autobackup);
    selectRadio(m_beallitasok->ui()->autobackup, m_settings.autobackup);
    m_settings.utolsomentes = m_config->integer(Keys::utolsomentes);
    m_settings.autobackuppath = m_config->string(Keys::autobackuppath);
    runAutomaticBackupIfDue();

    if (const auto outcome = DatabaseStartup::maintain(*m_config, path))
        uzenet(*outcome);

    const DatabaseStartup::VersionCheck check = DatabaseStartup::checkVersion(path);
    if (check.status != DatabaseStartup::VersionCheck::Status::Ok) {
        homokora(false);
        uzenet(check.message);
        end(1);
        return;
    }
    m_database = std::make_unique<Database>(path);
    m_database->setNetworkMode(m_settings.halozati);
    QString error = m_database->open();
    if (error.isEmpty())
        error = m_database->openTables();
    if (!error.isEmpty()) {
        // Running on without its tables the program could lose weighings: end instead.
        homokora(false);
        uzenet(error);
        end(1);
        return;
    }

    applyIndicatorSettings();

    for (QWidget *w : {static_cast<QWidget *>(m_previewform.get()), static_cast<QWidget *>(m_Szallitasokform.get()),
                       static_cast<QWidget *>(m_keszletform.get()), static_cast<QWidget *>(m_ewcform.get()),
                       static_cast<QWidget *>(m_automeresek.get())})
        ablakbetoltes(m_config->ini(), w);

    fillInProgressList();

    m_settings.outtxt = m_config->boolean(Keys::outtxt);
    m_settings.outbat = m_config->boolean(Keys::outbat);
    homokora(false);

    if (!m_printerInstalled()) {
        uzenet(QString::fromUtf8(kNoPrinterMessage));
        end(1);
        return;
    }

    applyWeighingWindowOptions();

    Ui::Tbefejezesform *befejezes = m_befejezesform->ui();
    befejezes->tisztasag->setText(m_config->string(Keys::tisztasag));
    befejezes->viztartalom->setText(m_config->string(Keys::viztartalom));
    befejezes->elvartviz->setText(m_config->string(Keys::elvartviz));

    m_Foform->ui()->mBeallitasok->setEnabled(m_config->boolean(Keys::enablesettings));
    m_settings.minusznapok = m_config->integer(Keys::minusznapok);

    applyRestrictedModification();
    restoreKeptEntries();
    loadDialogValues();
    openWeightLink();

    m_settings.password = TextCodec::decode(dekodol(m_config->string(Keys::Pass)));
    if (!m_settings.password.isEmpty()) {
        m_jelszoform->setPassword(m_settings.password);
        m_jelszoform->exec();
        if (!m_jelszoform->passed()) {
            end(0);
            return;
        }
    }

    m_state = State::Running;
    m_Foform->ui()->autoindul->setChecked(m_config->boolean(Keys::autoindul));
    if (m_Foform->ui()->autoindul->isChecked())
        startAutomaticWeighing();
}

void Kelvo::applyIndicatorSettings()
{
    m_settings.micraorden = m_config->boolean(Keys::micraorden);
    m_settings.bilanciai = m_config->boolean(Keys::bilanciai);
    m_settings.lekerdez = m_config->boolean(Keys::lekerdez);
    m_settings.evelojel = m_config->boolean(Keys::evelojel);
    m_settings.disomatb = m_config->boolean(Keys::disomatb);
    m_settings.minautosuly = m_config->integer(Keys::minautosuly);
    m_automeresform->ui()->idobox->setCurrentIndex(int(m_config->integer(Keys::autoido)));
    m_settings.lekerdezparancs = m_config->string(Keys::lekerdezparancs);
    m_settings.lekerdezido = m_config->integer(Keys::lekerdezido);
    m_settings.nullaz = m_config->string(Keys::nullaz);
    m_weightLink->configure(WeightLinkSettings::fromConfig(*m_config));
}

void Kelvo::applyWeighingWindowOptions()
{
    Ui::Tkezdesform *k = m_kezdesform->ui();
    k->kezisuly->setEnabled(m_config->boolean(Keys::enablehand));
    k->tarabe->setEnabled(k->kezisuly->isEnabled());
    k->ewcbtn->setVisible(m_config->boolean(Keys::ewcgomb));
    k->tarament->setVisible(m_config->boolean(Keys::tarasuly));
    k->tarabe->setVisible(k->tarament->isVisibleTo(m_kezdesform.get()));
    const bool price = m_config->boolean(Keys::egysegar);
    k->Label12->setVisible(price);
    k->egysegar->setVisible(price);

    Ui::Tbefejezesform *b = m_befejezesform->ui();
    const bool tareVisible = k->tarament->isVisibleTo(m_kezdesform.get());
    b->tarament->setVisible(tareVisible);
    b->tarabe->setVisible(tareVisible);
    b->kezisuly->setEnabled(k->kezisuly->isEnabled());
    b->tarabe->setEnabled(k->kezisuly->isEnabled());
}

void Kelvo::applyRestrictedModification()
{
    QWidget *modify = m_Szallitasokform->ui()->bmodositas;
    modify->setVisible(m_config->boolean(Keys::modosithato));
    if (!m_config->boolean(Keys::tmodosithato))
        return;
    modify->setVisible(true);
    Ui::Tmodosit *m = m_modosit->ui();
    for (QWidget *w : {static_cast<QWidget *>(m->rendszam), static_cast<QWidget *>(m->kiszereles),
                       static_cast<QWidget *>(m->ugyirat), static_cast<QWidget *>(m->tablanev),
                       static_cast<QWidget *>(m->parcella), static_cast<QWidget *>(m->tablasorszam)})
        w->setEnabled(false);
    m->raktar->setEnabled(true);
    m->megjegyzes->setEnabled(true);
}

void Kelvo::restoreKeptEntries()
{
    Ui::Tkezdesform *k = m_kezdesform->ui();
    Ui::Tbefejezesform *b = m_befejezesform->ui();
    k->rog_szallito->setChecked(m_config->boolean(Keys::fixszallito));
    k->rog_termek->setChecked(m_config->boolean(Keys::fixtermek));
    k->rog_ugyfel->setChecked(m_config->boolean(Keys::fixugyfel));
    b->rog_raktar->setChecked(m_config->boolean(Keys::fixraktar));
    // Setting the text runs the box's change handler, which fills the dependent fields.
    if (k->rog_szallito->isChecked())
        k->nev->setEditText(m_config->string(Keys::fszallito));
    if (k->rog_termek->isChecked())
        k->termeknev->setEditText(m_config->string(Keys::ftermek));
    if (k->rog_ugyfel->isChecked())
        k->ugyfelnev->setEditText(m_config->string(Keys::fugyfel));
    if (b->rog_raktar->isChecked())
        b->raktar->setEditText(m_config->string(Keys::fraktar));
}

void Kelvo::loadDialogValues()
{
    Ui::Tbeallitasok *s = m_beallitasok->ui();
    s->be1->setText(m_config->string(Keys::be1));
    s->be2->setText(m_config->string(Keys::be2));
    s->ki1->setText(m_config->string(Keys::ki1));
    s->ki2->setText(m_config->string(Keys::ki2));

    s->sajatceg->clear();
    const CompanyData::StartupLoad company = CompanyData::loadAtStartup(m_programFolder);
    if (!company.message.isEmpty())
        uzenet(company.message);
    s->sajatceg->setPlainText(company.lines.join(QLatin1Char('\n')));
    if (company.saveFailed)
        uzenet(QString::fromUtf8(CompanyData::kSaveFailedMessage));

    selectRadio(s->hogynyomtat, m_config->integer(Keys::Printmode));
    s->orden->setChecked(m_settings.micraorden);
    s->bilanciai->setChecked(m_settings.bilanciai);
    s->lekerdez->setChecked(m_settings.lekerdez);
    s->sablonfile->setCurrentIndex(s->sablonfile->findText(m_settings.merlegjegy, Qt::MatchFixedString));

    Ui::Tbefejezesform *b = m_befejezesform->ui();
    const bool deductions = m_config->boolean(Keys::levonasoklatszik);
    for (QWidget *w : {static_cast<QWidget *>(b->lbl_tisztasag), static_cast<QWidget *>(b->GroupBox3),
                       static_cast<QWidget *>(b->lbl_viztartalom), static_cast<QWidget *>(b->lbl_elvartviz),
                       static_cast<QWidget *>(b->tisztasag), static_cast<QWidget *>(b->viztartalom),
                       static_cast<QWidget *>(b->elvartviz)})
        w->setVisible(deductions);
    if (!m_config->boolean(Keys::tablalatszik)) {
        for (QWidget *w : {static_cast<QWidget *>(b->lbl_tablanev), static_cast<QWidget *>(b->lbl_parcella),
                           static_cast<QWidget *>(b->lbl_tablasorszam), static_cast<QWidget *>(b->tablanev),
                           static_cast<QWidget *>(b->parcella), static_cast<QWidget *>(b->tablasorszam)})
            w->setVisible(false);
    }

    s->hostport->setText(m_config->string(Keys::hostport));
    s->hostip->setText(m_config->string(Keys::hostip));
    s->sulylekerdez->setChecked(m_config->boolean(Keys::sulylekerdez));

    m_settings.hitlejar =
        m_config->ini().readDate(QLatin1String(Keys::hitlejar.section), QLatin1String(Keys::hitlejar.name),
                                 s->hit_date->date());
    s->hit_date->setDate(m_settings.hitlejar);
    m_settings.maxsuly = m_config->integer(Keys::maxsuly);
    calibrationCheck();
}

void Kelvo::calibrationCheck()
{
    if (const auto warning = calibrationWarning(m_settings.hitlejar, m_today()))
        uzenet(*warning);
}

void Kelvo::fillInProgressList()
{
    homokora(true);
    QWidget *list = m_Foform->ui()->lista;
    list->setUpdatesEnabled(false);
    const QString error = m_database ? m_inProgress->fill(m_database->db()) : QString();
    list->setUpdatesEnabled(true);
    m_Foform->setStatusText(0, QString::fromUtf8(kInProgressStatus) + QString::number(m_inProgress->rowCount()));
    homokora(false);
    if (!error.isEmpty())
        uzenet(error);
}

void Kelvo::shutdown()
{
    if (!m_config) {
        m_state = State::Ended;
        return;
    }
    QList<int> widths;
    const QHeaderView *header = m_Foform->ui()->lista->header();
    for (int i = 0; i < InProgressModel::kColumnCount; ++i)
        widths.append(header->sectionSize(i));
    bool ok = m_config->setColumnWidths(Keys::kFolyamatbanOszlop, widths);

    if (ok) {
        for (const QWidget *w :
             {static_cast<const QWidget *>(m_previewform.get()), static_cast<const QWidget *>(m_Szallitasokform.get()),
              static_cast<const QWidget *>(m_keszletform.get()), static_cast<const QWidget *>(m_Foform.get()),
              static_cast<const QWidget *>(m_automeresek.get())})
            ablakmentes(m_config->ini(), w);

        Ui::Tkezdesform *k = m_kezdesform->ui();
        Ui::Tbefejezesform *b = m_befejezesform->ui();
        const std::function<bool()> writes[] = {
            [&] { return m_config->setString(Keys::tisztasag, b->tisztasag->text()); },
            [&] { return m_config->setBoolean(Keys::fixszallito, k->rog_szallito->isChecked()); },
            [&] { return m_config->setBoolean(Keys::fixtermek, k->rog_termek->isChecked()); },
            [&] { return m_config->setBoolean(Keys::fixugyfel, k->rog_ugyfel->isChecked()); },
            [&] { return m_config->setBoolean(Keys::fixraktar, b->rog_raktar->isChecked()); },
            [&] { return m_config->setString(Keys::fszallito, k->nev->currentText()); },
            [&] { return m_config->setString(Keys::ftermek, k->termeknev->currentText()); },
            [&] { return m_config->setString(Keys::fugyfel, k->ugyfelnev->currentText()); },
            [&] { return m_config->setString(Keys::fraktar, b->raktar->currentText()); },
            [&] { return m_config->setInteger(Keys::autoido, m_automeresform->ui()->idobox->currentIndex()); },
            [&] { return m_config->setBoolean(Keys::autoindul, m_Foform->ui()->autoindul->isChecked()); },
            [&] { return m_config->setString(Keys::viztartalom, b->viztartalom->text()); },
            [&] { return m_config->setString(Keys::elvartviz, b->elvartviz->text()); },
        };
        for (const auto &write : writes) {
            if (!(ok = write()))
                break;
        }
    }
    if (!ok)
        uzenet(QString::fromUtf8(kSaveFailedMessage));

    m_config.reset();
    closeWeightLink();
    m_state = State::Ended;
}

void Kelvo::connectCommands()
{
    Ui::TFoform *ui = m_Foform->ui();
    const auto on = [this](QAction *action, auto slot) { connect(action, &QAction::triggered, this, slot); };
    on(ui->bkezd, &Kelvo::newTransport);
    on(ui->mUjSzallitas, &Kelvo::newTransport);
    on(ui->bbefejez, [this] { finishTransport(false); });
    on(ui->mBefejezes, [this] { finishTransport(false); });
    on(ui->bfrissit, &Kelvo::refreshList);
    on(ui->mFrissites, &Kelvo::refreshList);
    on(ui->mIranyCsere, &Kelvo::swapDirection);
    on(ui->pIranyCsere, &Kelvo::swapDirection);
    on(ui->mTorles, &Kelvo::deleteSelected);
    on(ui->pTorles, &Kelvo::deleteSelected);
    on(ui->mUjrameres, &Kelvo::reweighSelected);
    on(ui->pUjrameres, &Kelvo::reweighSelected);
    on(ui->mOsszesTorles, &Kelvo::deleteAllInProgress);
    on(ui->mTaraTorles, &Kelvo::deleteStoredTares);
    on(ui->helpbtn, &Kelvo::showHelp);
    on(ui->mSugo, &Kelvo::showHelp);
    on(ui->mNevjegy, &Kelvo::showAbout);
    on(ui->mHonlap, &Kelvo::openWebPage);
    // The windows of these commands are filled in by their own subsystems.
    on(ui->bszallitasok, [this] { m_Szallitasokform->exec(); });
    on(ui->mSzallitasok, [this] { m_Szallitasokform->exec(); });
    on(ui->bkeszlet, [this] { m_keszletform->exec(); });
    on(ui->mKeszlet, [this] { m_keszletform->exec(); });
    on(ui->ADATBAZISOK, [this] { m_adatbazisok->exec(); });
    on(ui->autobtn, [this] { m_automeresform->exec(); });
    on(ui->mMentesek, [this] { m_automeresek->exec(); });
    on(ui->mIsmetles, [this] { m_nyomtatasismetel->exec(); });
    on(ui->mBeallitasok, [this] { m_beallitasok->exec(); });

    connect(ui->menuSzerkesztes, &QMenu::aboutToShow, this, &Kelvo::updateMenus);
    connect(m_Foform->popupMenu(), &QMenu::aboutToShow, this, &Kelvo::updateMenus);
    connect(ui->lista, &QWidget::customContextMenuRequested, this, [this, ui](const QPoint &pos) {
        m_Foform->popupMenu()->popup(ui->lista->viewport()->mapToGlobal(pos));
    });
    connect(ui->lista, &QAbstractItemView::doubleClicked, this, [this] { finishTransport(true); });
    connect(m_Foform.get(), &TFoform::listKeyPressed, this, [this](int key) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (selectedRow() >= 0)
                finishTransport(true);
        } else if (key == Qt::Key_Delete) {
            deleteSelected();
        }
    });
}

int Kelvo::selectedRow() const
{
    const QModelIndexList rows = m_Foform->ui()->lista->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QString Kelvo::selectedPlate() const
{
    const int row = selectedRow();
    return row < 0 ? QString() : m_inProgress->row(row).rendszam;
}

void Kelvo::selectRow(int row)
{
    if (row < 0 || row >= m_inProgress->rowCount())
        return;
    QTreeView *list = m_Foform->ui()->lista;
    list->selectionModel()->select(m_inProgress->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->setCurrentIndex(m_inProgress->index(row, 0));
}

void Kelvo::newTransport()
{
    m_kezdesform->prepare();
    m_kezdesform->exec();
    fillInProgressList();
}

void Kelvo::finishTransport(bool fromList)
{
    const QString plate = fromList ? selectedPlate() : QString();
    if (m_befejezesform->prepare(plate))
        m_befejezesform->exec();
    fillInProgressList();
}

void Kelvo::refreshList()
{
    homokora(true);
    m_database->refresh(QStringLiteral("folyamatban"));
    fillInProgressList();
    homokora(false);
}

void Kelvo::swapDirection()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    homokora(true);
    InProgress::swapDirection(m_database->db(), m_inProgress->row(row).rendszam);
    fillInProgressList();
    selectRow(row);
    homokora(false);
}

void Kelvo::deleteSelected()
{
    const QString plate = selectedPlate();
    if (plate.isEmpty() || !InProgress::find(m_database->db(), plate))
        return;
    if (!kerdes(QString::fromUtf8(kDeleteQuestion).arg(plate)))
        return;
    InProgress::remove(m_database->db(), plate);
    fillInProgressList();
}

void Kelvo::reweighSelected()
{
    const int row = selectedRow();
    if (row < 0 || !kerdes(QString::fromUtf8(kReweighQuestion)))
        return;
    const QString text = m_weightLink->weightText();
    homokora(true);
    InProgress::reweigh(m_database->db(), m_inProgress->row(row).rendszam, text.isEmpty() ? 0 : text.toLongLong());
    fillInProgressList();
    selectRow(row);
    homokora(false);
}

void Kelvo::deleteAllInProgress()
{
    if (!kerdes(QString::fromUtf8(kDeleteAllQuestion)))
        return;
    InProgress::removeAll(m_database->db());
    fillInProgressList();
}

void Kelvo::deleteStoredTares()
{
    if (!kerdes(QString::fromUtf8(kDeleteTaresQuestion)))
        return;
    homokora(true);
    MasterData::clearTares(m_database->db());
    homokora(false);
}

void Kelvo::showHelp()
{
    const QString help = m_programFolder + QStringLiteral("hlp/index.htm");
    if (!QFileInfo::exists(help)) {
        uzenet(QString::fromUtf8(kHelpMissing));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void Kelvo::showAbout()
{
    m_logoform->exec();
}

void Kelvo::openWebPage()
{
    // A failure to start the browser is of no consequence here.
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebPage)));
}

void Kelvo::updateMenus()
{
    Ui::TFoform *ui = m_Foform->ui();
    const bool selected = selectedRow() >= 0;
    ui->mIsmetles->setEnabled(QFileInfo::exists(m_programFolder + QStringLiteral("out.htm")));
    for (QAction *a : {ui->mIranyCsere, ui->mTorles, ui->mUjrameres, ui->pIranyCsere, ui->pTorles, ui->pUjrameres})
        a->setEnabled(selected);
    ui->mOsszesTorles->setEnabled(m_database && InProgress::count(m_database->db()) > 0);
}

void Kelvo::flashSaved(QWidget *over)
{
    m_okform->flash(over ? over : m_Foform.get());
}

QStringList Kelvo::templateNames() const
{
    QStringList names;
    const QComboBox *box = m_beallitasok->ui()->sablonfile;
    for (int i = 0; i < box->count(); ++i)
        names.append(box->itemText(i));
    return names;
}

QString Kelvo::selectedTemplate() const
{
    return m_beallitasok->ui()->sablonfile->currentText();
}

int Kelvo::printMode() const
{
    const QList<QRadioButton *> items = radioItems(m_beallitasok->ui()->hogynyomtat);
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i)->isChecked())
            return i;
    }
    return 0;
}

void Kelvo::printTicket(qint64 sorszam, const QString &templateName)
{
    // The dialog's fields are the live home of the labels and the company block.
    Ui::Tbeallitasok *s = m_beallitasok->ui();
    TicketSettings ticket;
    ticket.programFolder = m_programFolder;
    ticket.templateName = templateName;
    ticket.wordDocument = m_settings.winwordfile;
    ticket.wordDirectPrint = m_settings.worddirectprint;
    ticket.printMode = static_cast<PrintMode>(printMode());
    ticket.evelojel = m_settings.evelojel;
    ticket.outtxt = m_settings.outtxt;
    ticket.outbat = m_settings.outbat;
    ticket.be1 = s->be1->text();
    ticket.be2 = s->be2->text();
    ticket.ki1 = s->ki1->text();
    ticket.ki2 = s->ki2->text();
    ticket.companyLines = companyLines();
    TicketPrintDialogs dialogs(m_Foform.get());
    const TicketOutcome outcome = ::printTicket(sorszam, m_database->db(), templateName, ticket, &dialogs);
    for (const QString &message : outcome.messages)
        uzenet(message);
}

// The automatic backup arrives with the backup subsystem.
void Kelvo::runAutomaticBackupIfDue() {}

void Kelvo::connectWeightLink()
{
    // The main window owns the link, its port component, its client socket and its timers.
    m_weightLink = new WeightLink(m_Foform.get(), m_watchdogMs);
    Ui::TFoform *ui = m_Foform->ui();
    ui->sulylabel1->setText(m_weightLink->labelText());
    connect(m_weightLink, &WeightLink::labelChanged, ui->sulylabel1, [ui](const QString &text, const QString &hint) {
        ui->sulylabel1->setText(text);
        ui->sulylabel1->setToolTip(hint);
    });
    connect(m_weightLink, &WeightLink::statusTextChanged, m_Foform.get(),
            [this](const QString &text) { m_Foform->setStatusText(1, text); });
    connect(m_weightLink, &WeightLink::pollIndicatorChanged, ui->balimage, &QWidget::setVisible);
    connect(ui->nullaimage, &QToolButton::clicked, m_weightLink, &WeightLink::zero);
    connect(m_Foform.get(), &TFoform::weightLabelDoubleClicked, m_Terminal.get(), &QWidget::show);
    m_Terminal->setCentreOn(m_Foform.get());
    connect(m_weightLink, &WeightLink::frameReceived, m_Terminal.get(), &TTerminal::appendFrame);
    connect(m_Terminal.get(), &TTerminal::settingsRequested, this, [this] { m_beallitasok->exec(); });
    // The settings dialog's "Kapcsolat beállítása" button opens the port dialog; the six port keys are saved
    // only after a confirmed change.
    connect(m_beallitasok->ui()->Button3, &QPushButton::clicked, this, [this] {
        if (m_SetportForm->execFor(m_weightLink->comPort(), m_Foform.get()))
            m_weightLink->comPort().SaveSettings(&m_config->ini());
    });
    // The open weighing windows take every weight unless the operator types it by hand.
    connect(m_weightLink, &WeightLink::weightChanged, this, [this](qint32, const QString &text) {
        Ui::Tkezdesform *k = m_kezdesform->ui();
        if (m_kezdesform->isVisible() && !k->kezisuly->isChecked())
            k->suly1->setText(text);
        Ui::Tbefejezesform *b = m_befejezesform->ui();
        if (m_befejezesform->isVisible() && !b->kezisuly->isChecked())
            b->suly2->setText(text);
    });
}

void Kelvo::openWeightLink()
{
    Ui::Tbeallitasok *s = m_beallitasok->ui();
    m_weightLink->setServerSource([s] {
        return WeightServer{s->sulylekerdez->isChecked(), s->hostip->text(), s->hostport->text()};
    });
    m_weightLink->loadPortSettings(m_config->ini());
}

void Kelvo::closeWeightLink()
{
    if (m_weightLink)
        m_weightLink->shutdown();
}

// Automatic weighing at start-up arrives with its own window's subsystem; until then only the button opens the
// (still empty) window.
void Kelvo::startAutomaticWeighing() {}
