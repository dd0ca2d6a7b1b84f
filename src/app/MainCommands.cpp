#include "MainCommands.h"

#include <QPromise>

#include "Ablak.h"
#include "AutoTable.h"
#include "Config.h"
#include "CsvSaving.h"
#include "DataBackup.h"
#include "Database.h"
#include "DatabaseWorker.h"
#include "Finishing.h"
#include "FirstWeighing.h"
#include "InProgress.h"
#include "InProgressModel.h"
#include "Kelvo.h"
#include "MasterData.h"
#include "MessageBoxes.h"
#include "PagedDocument.h"
#include "T_previewform.h"
#include "TicketPrintQueue.h"
#include "Seged.h"
#include "SettingsCommands.h"
#include "Sql.h"
#include "Transport.h"
#include "WindowHelpers.h"
#include "WordTicket.h"
#include "SlotGuard.h"
#include "WeightLink.h"
#include "WorkerCall.h"

#include "T_adatbazisok.h"
#include "TFoform.h"
#include "TSzallitasokform.h"
#include "Tautomeresek.h"
#include "Tautomeresform.h"
#include "WeighingMoment.h"
#include "Tbefejezesform.h"
#include "Tkeszletform.h"
#include "Tkezdesform.h"
#include "Tmodosit.h"
#include "Tlogoform.h"
#include "Tnyomtatasismetel.h"
#include "TicketRouting.h"

#include "ui_TFoform.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

namespace {

constexpr char kInProgressStatus[] = " Folyamatban lévő szállítások: ";
constexpr char kHelpMissing[] = "A súgó nem található !";
constexpr char kDeleteQuestion[] = "Törli a(z) %1 rendszámú megkezdett szállítást a listából ?";
constexpr char kReweighQuestion[] = "Módosítja a rögzített tömeget a jelenleg mért értékkel ?\r";
constexpr char kDeleteAllQuestion[] = "Biztos törli a folyamatban lévő összes szállítást ?";
constexpr char kDeleteTaresQuestion[] = "Törli az összes rendszámhoz tartozó rögzített tárasúlyt ?";
constexpr char kWebPage[] = "https://www.kelvo.example/";
constexpr char kOfflineStatus[] = "Nincs kapcsolat az adatbázissal: %1";
constexpr char kOnlineAgainStatus[] = "Az adatbázis újra elérhető.";
constexpr char kPrintSentStatus[] = "Nyomtatás elküldve: %1";
// How long the news that the database is back stays in the status bar.
constexpr int kOnlineAgainMs = 10000;

} // namespace

MainCommands::MainCommands(Kelvo &kelvo)
    : m_kelvo(kelvo)
{
    connectCommands();
}

void MainCommands::connectCommands()
{
    TFoform *main = m_kelvo.Foform();
    Ui::TFoform *ui = main->ui();
    const auto on = [this](QAction *action, auto slot) { connect(action, &QAction::triggered, this, guarded(slot)); };
    on(ui->bkezd, [this] { newTransport(); });
    on(ui->mUjSzallitas, [this] { newTransport(); });
    on(ui->bbefejez, [this] { finishTransport(); });
    on(ui->mBefejezes, [this] { finishTransport(); });
    on(ui->bfrissit, [this] { refreshList(); });
    on(ui->mFrissites, [this] { refreshList(); });
    on(ui->mIranyCsere, [this] { swapDirection(); });
    on(ui->pIranyCsere, [this] { swapDirection(); });
    on(ui->mTorles, [this] { deleteSelected(); });
    on(ui->pTorles, [this] { deleteSelected(); });
    on(ui->mUjrameres, [this] { reweighSelected(); });
    on(ui->pUjrameres, [this] { reweighSelected(); });
    on(ui->mOsszesTorles, [this] { deleteAllInProgress(); });
    on(ui->mTaraTorles, [this] { deleteStoredTares(); });
    on(ui->helpbtn, [this] { showHelp(); });
    on(ui->mSugo, [this] { showHelp(); });
    on(ui->mNevjegy, [this] { showAbout(); });
    on(ui->mHonlap, [this] { openWebPage(); });
    on(ui->mBackup, [this] { DataBackup::manual(m_kelvo); });
    // The windows of these commands are filled in by their own subsystems.
    const KelvoWindows &w = m_kelvo.windows();
    on(ui->bszallitasok, [this] { showTransports(); });
    on(ui->mSzallitasok, [this] { showTransports(); });
    on(ui->mSzallitoExport, [this] { exportTable(QStringLiteral("szallito")); });
    on(ui->mUgyfelExport, [this] { exportTable(QStringLiteral("ugyfel")); });
    w.Szallitasokform()->setTicketCommands(
        [this](qint64 sorszam) {
            m_kelvo.printTicket(sorszam, m_kelvo.reprintTemplate(), std::nullopt, Kelvo::PrintKind::Reprint);
        },
        [this](qint64 sorszam, std::function<void()> stored) {
            m_kelvo.modosit()->prepare(sorszam, std::move(stored));
        });
    const auto viewer = [this](std::unique_ptr<PagedDocument> report) { showReport(std::move(report)); };
    w.Szallitasokform()->setReportViewer(viewer);
    w.keszletform()->setReportViewer(viewer);
    on(ui->bkeszlet, [this] { showStock(); });
    on(ui->mKeszlet, [this] { showStock(); });
    on(ui->ADATBAZISOK, [this] { showEditor(); });
    on(ui->autobtn, [this] { showAutoWeighing(); });
    on(ui->mMentesek, [this] { showAutoList(); });
    w.automeresek()->setReportViewer(viewer);
    WeightLink *link = m_kelvo.weightLink();
    w.automeresform()->setSource(
        // A silent link keeps its last weight, which must not be stored as if a vehicle stood there.
        {[link] { return link->weightLive() ? qint64(link->aktsuly()) : 0; }, [link] { return link->nullavolt(); },
         [link] { link->clearNullavolt(); },
         [this, link] { return link->refusalToTake(m_kelvo.settings().stabilkell).isEmpty(); },
         [this] { return WeighingMoment::positionRefusal(m_kelvo); }},
        [this](const QDateTime &at, qint64 weight) { return storeAutoWeighing(at, weight); });
    // A logged weight is a weighing the vehicle is done with: the exit light lets it off.
    connect(w.automeresform()->run(), &AutoWeighingRun::stored, this, [this] { m_kelvo.weighingStored(false); });
    on(ui->mIsmetles, [this] { reprintTicket(); });
    w.nyomtatasismetel()->setActions(
        [this](qint64 sorszam) {
            return m_kelvo.worker()->run(
                [sorszam](QSqlDatabase db) { return Transport::load(db, sorszam).has_value(); });
        },
        [this](qint64 sorszam, int mode) {
            m_kelvo.printTicket(sorszam, m_kelvo.reprintTemplate(), static_cast<PrintMode>(mode),
                                Kelvo::PrintKind::Reprint);
        });
    on(ui->mBeallitasok, [this] { m_kelvo.settingsCommands().open(); });

    connect(ui->menuSzerkesztes, &QMenu::aboutToShow, this, guarded(this, &MainCommands::updateMenus));
    connect(main->popupMenu(), &QMenu::aboutToShow, this, guarded(this, &MainCommands::updateMenus));
    connect(ui->lista, &QWidget::customContextMenuRequested, this, [main, ui](const QPoint &pos) {
        main->popupMenu()->popup(ui->lista->viewport()->mapToGlobal(pos));
    });
    connect(ui->lista, &QAbstractItemView::doubleClicked, this, guarded([this] { finishTransport(); }));
    connect(main, &TFoform::listKeyPressed, this, guarded([this](int key) {
                if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                    if (selectedRow() >= 0)
                        finishTransport();
                } else if (key == Qt::Key_Delete) {
                    deleteSelected();
                }
            }));
}

void MainCommands::showAutoWeighing()
{
    Tautomeresform *window = m_kelvo.windows().automeresform();
    window->setMinimum(m_kelvo.settings().minautosuly);
    window->exec();
}

void MainCommands::showAutoList()
{
    Tautomeresek *window = m_kelvo.windows().automeresek();
    window->prepare(m_kelvo.worker(), &m_kelvo.config()->ini(), QDate::currentDate(), m_kelvo.programFolder());
    window->exec();
    window->release();
}

void MainCommands::showTransports()
{
    TSzallitasokform *window = m_kelvo.windows().Szallitasokform();
    window->prepare(m_kelvo.worker(), &m_kelvo.config()->ini(), QDate::currentDate(), m_kelvo.settings().minusznapok,
                    m_kelvo.programFolder());
    window->exec();
    window->release();
    ablakmentes(m_kelvo.config()->ini(), window);
}

void MainCommands::exportTable(const QString &table)
{
    CsvSaving::saveTable(m_kelvo.Foform(), m_kelvo.worker(), m_kelvo.programFolder(), table);
}

void MainCommands::showStock()
{
    Tkeszletform *window = m_kelvo.windows().keszletform();
    window->prepare(m_kelvo.worker(), QDate::currentDate(), m_kelvo.settings().minusznapok, m_kelvo.programFolder());
    window->exec();
    window->release();
}

void MainCommands::showEditor()
{
    T_adatbazisok *window = m_kelvo.windows().adatbazisok();
    window->prepare(m_kelvo.worker());
    window->exec();
    window->release();
    // The in-progress list shows what the editor may have changed.
    fillInProgressList();
}

void MainCommands::fillInProgressList(std::function<void()> then)
{
    DatabaseWorker *worker = m_kelvo.worker();
    if (!worker)
        return;
    // While the server is away the list shows what it showed; it is read again when the server is back.
    if (!worker->online())
        return;
    WorkerCall::then(worker->run([](QSqlDatabase db) { return InProgressModel::read(db); }), this,
                     [this, then = std::move(then)](QList<InProgressModel::Row> rows) {
                         m_kelvo.inProgress()->setRows(std::move(rows));
                         m_kelvo.Foform()->setStatusText(0, QString::fromUtf8(kInProgressStatus) +
                                                                QString::number(m_kelvo.inProgress()->rowCount()));
                         if (then)
                             then();
                     });
}

void MainCommands::followPrints(TicketPrintQueue &queue)
{
    // A sign of life for a print that opens no window; a lost database keeps its notice.
    connect(&queue, &TicketPrintQueue::sent, this, [this](const QString &printer) {
        if (m_kelvo.worker() && m_kelvo.worker()->online())
            m_kelvo.Foform()->setStatusText(2, QString::fromUtf8(kPrintSentStatus).arg(printer));
    });
}

void MainCommands::followChanges(DatabaseWorker &worker)
{
    connect(&worker, &DatabaseWorker::changedElsewhere, this, guarded([this](const QString &table) {
                if (table == u"folyamatban")
                    reloadKeepingSelection();
            }));
    connect(&worker, &DatabaseWorker::reconnected, this, guarded([this] { reloadKeepingSelection(); }));
    connect(&worker, &DatabaseWorker::onlineChanged, this, [this](bool online, const QString &error) {
        TFoform *main = m_kelvo.Foform();
        main->setStatusText(2, online ? QString::fromUtf8(kOnlineAgainStatus)
                                      : QString::fromUtf8(kOfflineStatus).arg(error.simplified()));
        if (!online)
            return;
        QTimer::singleShot(kOnlineAgainMs, main, [main] {
            if (main->statusPanel(2)->text() == QString::fromUtf8(kOnlineAgainStatus))
                main->setStatusText(2, QString());
        });
        reloadKeepingSelection();
    });
}

void MainCommands::reloadKeepingSelection()
{
    const std::optional<InProgress::Seen> seen = selectedSeen();
    fillInProgressList([this, seen] {
        if (!seen)
            return;
        InProgressModel *model = m_kelvo.inProgress();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->row(row).rendszam.compare(seen->rendszam, Qt::CaseInsensitive) == 0) {
                selectRow(row);
                return;
            }
        }
    });
}

int MainCommands::selectedRow() const
{
    const QModelIndexList rows = m_kelvo.Foform()->ui()->lista->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QString MainCommands::selectedPlate() const
{
    const int row = selectedRow();
    return row < 0 ? QString() : m_kelvo.inProgress()->row(row).rendszam;
}

std::optional<InProgress::Seen> MainCommands::selectedSeen() const
{
    const int row = selectedRow();
    if (row < 0)
        return std::nullopt;
    const InProgressModel::Row &r = m_kelvo.inProgress()->row(row);
    return InProgress::Seen(r.rowId, r.rendszam, r.suly1, r.bedatum);
}

void MainCommands::changeRows(std::function<bool(QSqlDatabase)> change, std::function<void()> changed)
{
    DatabaseWorker *worker = m_kelvo.worker();
    if (!worker)
        return;
    auto busy = std::make_shared<WorkerCall::Busy>(m_kelvo.Foform(), rowCommandControls());
    WorkerCall::then(worker->run(std::move(change)), this, [this, changed = std::move(changed)](bool done) {
        if (done && changed)
            changed();
        reloadKeepingSelection();
        if (!done)
            uzenet(QString::fromUtf8(InProgress::kChangedElsewhere));
    }, busy);
}

QList<QWidget *> MainCommands::rowCommandControls() const
{
    Ui::TFoform *ui = m_kelvo.Foform()->ui();
    // What could start a second command on the list waits for the one in hand.
    return {ui->ToolBar1, ui->menuSzerkesztes, ui->lista};
}

void MainCommands::selectRow(int row)
{
    InProgressModel *model = m_kelvo.inProgress();
    if (row < 0 || row >= model->rowCount())
        return;
    QTreeView *list = m_kelvo.Foform()->ui()->lista;
    list->selectionModel()->select(model->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->setCurrentIndex(model->index(row, 0));
}

void MainCommands::newTransport()
{
    m_kelvo.kezdesform()->prepare();
    m_kelvo.kezdesform()->exec();
    fillInProgressList();
}

void MainCommands::finishTransport()
{
    // The truck the operator selected, whether the window opens by the toolbar, the menu, Enter or a double-click.
    const QString plate = selectedPlate();
    // The toolbar waits until the window opens: a second press opens no second window.
    auto busy = std::make_shared<WorkerCall::Busy>(m_kelvo.Foform(), rowCommandControls());
    m_kelvo.befejezesform()->prepare(plate, [this, busy](bool ready) mutable {
        busy.reset();
        if (ready)
            m_kelvo.befejezesform()->exec();
        fillInProgressList();
    });
}

void MainCommands::refreshList()
{
    reloadKeepingSelection();
}

void MainCommands::swapDirection()
{
    const std::optional<InProgress::Seen> seen = selectedSeen();
    if (!seen)
        return;
    changeRows([seen = *seen](QSqlDatabase db) { return InProgress::swapDirection(db, seen); });
}

void MainCommands::deleteSelected()
{
    // Taken now: in network mode the list may be read again while the question waits for the answer.
    const std::optional<InProgress::Seen> seen = selectedSeen();
    if (!seen)
        return;
    if (!kerdes(QString::fromUtf8(kDeleteQuestion).arg(seen->rendszam)))
        return;
    changeRows([seen = *seen](QSqlDatabase db) { return InProgress::remove(db, seen); });
}

void MainCommands::reweighSelected()
{
    const std::optional<InProgress::Seen> seen = selectedSeen();
    if (!seen)
        return;
    // The weight on the scale at the moment of the answer, and only one that frames still confirm.
    if (!m_kelvo.weightLink()->liveWeight()) {
        uzenet(QString::fromUtf8(FirstWeighing::kNoScaleWeight));
        return;
    }
    if (!kerdes(QString::fromUtf8(kReweighQuestion)))
        return;
    const std::optional<qint32> weight = m_kelvo.weightLink()->liveWeight();
    if (!weight) {
        uzenet(QString::fromUtf8(FirstWeighing::kNoScaleWeight));
        return;
    }
    if (const QString refusal = WeighingMoment::refusal(m_kelvo, WeightOrigin::Scale); !refusal.isEmpty()) {
        uzenet(refusal);
        return;
    }
    changeRows([seen = *seen, weight = *weight](QSqlDatabase db) { return InProgress::reweigh(db, seen, weight); },
               [this] { m_kelvo.weighingStored(false); });
}

void MainCommands::deleteAllInProgress()
{
    // The rows listed when the operator answers: one weighed in meanwhile on another station stays.
    QList<InProgress::Seen> seen;
    if (!kerdes(QString::fromUtf8(kDeleteAllQuestion)))
        return;
    InProgressModel *model = m_kelvo.inProgress();
    for (int row = 0; row < model->rowCount(); ++row) {
        const InProgressModel::Row &r = model->row(row);
        seen.append(InProgress::Seen(r.rowId, r.rendszam, r.suly1, r.bedatum));
    }
    changeRows([seen](QSqlDatabase db) { return InProgress::removeAll(db, seen); });
}

QFuture<void> MainCommands::storeAutoWeighing(const QDateTime &at, qint64 weight)
{
    if (!WeighingMoment::takesPictures(m_kelvo))
        return Tautomeresform::store(m_kelvo.worker(), at, weight);
    // The weight and its time are the ones the countdown ended with; the pictures follow them. The logger waits for
    // the future, which ends with the store (or is cancelled when the window goes first).
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    QFuture<void> outcome = promise->future();
    WeighingMoment::takePictures(m_kelvo, m_kelvo.windows().automeresform(),
                                 [this, promise, at, weight](const Pictures::Shots &shots) {
                                     Tautomeresform::store(m_kelvo.worker(), at, weight, shots)
                                         .then(QtFuture::Launch::Sync, [promise](QFuture<void> stored) {
                                             try {
                                                 stored.waitForFinished();
                                             } catch (...) {
                                                 promise->setException(std::current_exception());
                                             }
                                             promise->finish();
                                         });
                                 });
    return outcome;
}

void MainCommands::deleteStoredTares()
{
    if (!kerdes(QString::fromUtf8(kDeleteTaresQuestion)) || !m_kelvo.worker())
        return;
    WorkerCall::then(m_kelvo.worker()->run([](QSqlDatabase db) { MasterData::clearTares(db); }), this, [] {},
                     std::make_shared<WorkerCall::Busy>(m_kelvo.Foform(), rowCommandControls()));
}

void MainCommands::showHelp()
{
    const QString help = m_kelvo.programFolder() + QStringLiteral("hlp/index.htm");
    if (!QFileInfo::exists(help)) {
        uzenet(QString::fromUtf8(kHelpMissing));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void MainCommands::showAbout()
{
    m_kelvo.logoform()->exec();
}

bool MainCommands::reprintAvailable() const
{
    // A site printing word-processor tickets never writes out.htm; its filled copies show that tickets exist.
    return QFileInfo::exists(m_kelvo.programFolder() + QStringLiteral("out.htm"))
        || TicketRouting::filledWordCopyExists(m_kelvo.settings().winwordfile);
}

void MainCommands::reprintTicket()
{
    if (!m_kelvo.worker())
        return;
    // Serial numbers may have gaps, so the last ticket is the largest serial, not the number of rows.
    const auto last = [](QSqlDatabase db) {
        return Sql::value(db, QStringLiteral("SELECT COALESCE(MAX(sorszam), 0) FROM szallitasok")).toLongLong();
    };
    WorkerCall::then(m_kelvo.worker()->run(last), this, [this](qint64 serial) {
        Tnyomtatasismetel *dialog = m_kelvo.windows().nyomtatasismetel();
        dialog->prepare(m_kelvo.printMode(), serial, TicketRouting::wordProcessorInstalled(), m_kelvo.Foform());
        dialog->exec();
    }, std::make_shared<WorkerCall::Busy>(m_kelvo.Foform(), QList<QWidget *>{}));
}

void MainCommands::openWebPage()
{
    // A failure to start the browser is of no consequence here.
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebPage)));
}

void MainCommands::updateMenus()
{
    Ui::TFoform *ui = m_kelvo.Foform()->ui();
    const bool selected = selectedRow() >= 0;
    ui->mIsmetles->setEnabled(reprintAvailable());
    for (QAction *a : {ui->mIranyCsere, ui->mTorles, ui->mUjrameres, ui->pIranyCsere, ui->pTorles, ui->pUjrameres})
        a->setEnabled(selected);
    ui->mOsszesTorles->setEnabled(m_kelvo.inProgress()->rowCount() > 0);
}

void MainCommands::showReport(std::unique_ptr<PagedDocument> report)
{
    // Lists are never printed straight away: the preview shows them and prints from there.
    m_kelvo.windows().previewform()->showDocument(std::move(report), QStringLiteral("Kelvo lista"));
}
