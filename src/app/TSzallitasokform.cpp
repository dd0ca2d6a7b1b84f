#include "TSzallitasokform.h"

#include "TicketPicturesPanel.h"

#include "Cancellation.h"
#include "Config.h"
#include "CsvSaving.h"
#include "DatabaseWorker.h"
#include "CompanyData.h"
#include "IniFile.h"
#include "ListReports.h"
#include "TNaploform.h"
#include "MessageBoxes.h"
#include "SlotGuard.h"
#include "TransportFilterControls.h"
#include "TransportList.h"
#include "TransportListModel.h"
#include "Trail.h"
#include "WorkerCall.h"

#include "ColumnWidths.h"
#include "ui_TSzallitasokform.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressDialog>
#include <QStatusBar>
#include <QStyle>

namespace {

using namespace TransportSearch;

constexpr char kNoneToPrint[] = "Válassza ki a nyomtatandó szállítást !";
constexpr char kNoneToModify[] = "Válassza ki a módosítandó szállítást !";
constexpr char kNothingToPrint[] = "Nincs nyomtatandó szállítás !";
constexpr char kShowTrail[] = "Napló megtekintése";
constexpr char kNoneForTrail[] = "Válassza ki a szállítást, amelynek a naplóját látni szeretné !";
constexpr char kNothingToSave[] = "Nincs mentendő keresési eredmény !";
constexpr char kSearching[] = "Szállítások keresése...";
constexpr char kBuildingReport[] = "Lista összeállítása...";

// A search as the worker gives it back: the filter's refusal, the database's failure, or the list.
struct Searched {
    std::optional<Refusal> refusal;
    std::optional<QString> failure;
    std::optional<Statement> statement;
    TransportList list;
};

// A future's result is copied; the report inside is moved out once, to the viewer.
using Report = std::shared_ptr<std::unique_ptr<PagedDocument>>;

} // namespace

TSzallitasokform::TSzallitasokform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TSzallitasokform>())
{
    m_ui->setupUi(this);
    TransportFilterControls::setUp(this, *m_ui);
    connect(m_ui->lapok, &QTabWidget::currentChanged, this, guarded([this](int index) {
                if (m_ui->lapok->widget(index) == m_ui->egyeb && !m_otherPageRead)
                    readLists(TransportFilterControls::otherLists());
            }));
    connect(m_ui->bment, &QPushButton::clicked, this, guarded(this, &TSzallitasokform::saveMinSerial));

    m_model = new TransportListModel(this);
    m_ui->lista->setModel(m_model);
    m_widths = new ColumnWidths(m_ui->lista);
    m_ui->lista->header()->setSectionsClickable(true);
    m_ui->lista->header()->setSectionsMovable(false);
    m_ui->lista->header()->setStretchLastSection(false);
    connect(m_ui->lista->header(), &QHeaderView::sectionClicked, this,
            guarded([this](int column) { headerClicked(column); }));
    connect(m_ui->lista, &QAbstractItemView::doubleClicked, this, guarded([this] { reprintSelected(); }));
    m_model->setSort(m_sort.column, m_sort.ascending);

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);
    for (int i = 0; i < 4; ++i) {
        m_panels[i] = new QLabel(status);
        m_panels[i]->setObjectName(QStringLiteral("panel%1").arg(i));
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        status->addWidget(m_panels[i], 1);
    }
    // The chosen ticket's pictures under the list.
    m_pictures = new TicketPicturesPanel(this);
    m_ui->mainLayout->addWidget(m_pictures);
    connect(m_ui->lista->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_pictures->showSerial(m_worker ? selectedSerial() : 0); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { m_pictures->showSerial(selectedSerial()); });
    m_ui->mainLayout->addWidget(status);
    buildCommands();
    showTotals();
}

TSzallitasokform::~TSzallitasokform() = default;

void TSzallitasokform::buildCommands()
{
    auto *menuBar = new QMenuBar(this);
    m_menuBar = menuBar;
    QMenu *menu = menuBar->addMenu(QStringLiteral("Művelet"));
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    struct Command {
        QToolButton *button;
        const char *name;
        const char *menuText;  // empty: not in the menu
        const char *popupText; // empty: not in the list's menu
        QStyle::StandardPixmap icon;
        void (TSzallitasokform::*slot)();
    };
    const Command commands[] = {
        {m_ui->bkereses, "mKereses", "Keresés", "", QStyle::SP_FileDialogContentsView, &TSzallitasokform::runSearch},
        {m_ui->bmainap, "", "", "", QStyle::SP_FileDialogInfoView, &TSzallitasokform::todayList},
        {m_ui->bnyomtatas, "mNyomtatas", "Lista nyomtatása", "Lista nyomtatása", QStyle::SP_FileIcon,
         &TSzallitasokform::printList},
        {m_ui->bismetles, "mIsmetles", "Kijelölt Mérlegjegy ismétlése", "Mérlegjegy ismétlése",
         QStyle::SP_BrowserReload, &TSzallitasokform::reprintSelected},
        {m_ui->bmodositas, "mModositas", "Kijelölt Mérlegjegy módosítása", "Mérlegjegy módosítása",
         QStyle::SP_FileDialogDetailedView, &TSzallitasokform::modifySelected},
        {m_ui->bmentes, "mMentes", "Lista mentése (.csv)", "", QStyle::SP_DialogSaveButton, &TSzallitasokform::saveList},
        {m_ui->bsztorno, "mSztorno", "Kijelölt Mérlegjegy sztornózása", "Sztornó", QStyle::SP_DialogCancelButton,
         &TSzallitasokform::cancelSelected},
    };
    for (const Command &c : commands) {
        c.button->setIcon(style()->standardIcon(c.icon));
        connect(c.button, &QToolButton::clicked, this, guarded(this, c.slot));
        if (*c.menuText) {
            QAction *action = menu->addAction(c.button->icon(), QString::fromUtf8(c.menuText));
            action->setObjectName(QLatin1String(c.name));
            connect(action, &QAction::triggered, this, guarded(this, c.slot));
            if (c.button == m_ui->bkereses) {
                action->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
                addAction(action);
            }
            if (c.button == m_ui->bmodositas)
                m_modifyActions.append(action);
        }
        if (*c.popupText) {
            QAction *action = m_popup->addAction(c.button->icon(), QString::fromUtf8(c.popupText));
            connect(action, &QAction::triggered, this, guarded(this, c.slot));
            if (c.button == m_ui->bmodositas)
                m_modifyActions.append(action);
        }
    }
    // The trail has no button of its own: it is looked at seldom, from the menu or the list's menu.
    for (QMenu *place : {menu, m_popup}) {
        QAction *action = place->addAction(QString::fromUtf8(kShowTrail));
        if (place == menu)
            action->setObjectName(QStringLiteral("mNaplo"));
        connect(action, &QAction::triggered, this, guarded(this, &TSzallitasokform::showTrail));
    }
    QAction *quit = menu->addAction(QStringLiteral("Kilépés"));
    quit->setObjectName(QStringLiteral("mKilepes"));
    quit->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(quit, &QAction::triggered, this, &QDialog::reject);
    addAction(quit);
    m_ui->mainLayout->setMenuBar(menuBar);
    connect(m_ui->lista, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_popup->popup(m_ui->lista->viewport()->mapToGlobal(pos)); });
}

void TSzallitasokform::setModifyButtonVisible(bool visible)
{
    m_ui->bmodositas->setVisible(visible);
    for (QAction *action : std::as_const(m_modifyActions))
        action->setVisible(visible);
}

void TSzallitasokform::setTicketCommands(TicketCommand reprint, ModifyCommand modify)
{
    m_reprint = std::move(reprint);
    m_modify = std::move(modify);
}

void TSzallitasokform::prepare(DatabaseWorker *worker, IniFile *ini, const QDate &today, qint64 minusznapok,
                               const QString &programFolder)
{
    delete m_opening;
    m_opening = new QObject(this);
    m_worker = worker;
    m_model->setWorker(worker);
    m_pictures->setWorker(worker);
    m_ini = ini;
    m_today = today;
    m_programFolder = programFolder;
    m_ui->gyorskereso->setEditText(QString());
    m_listed.reset();
    m_model->setList({});
    showTotals();
    TransportFilterControls::resetLists(this);
    m_otherPageRead = false;
    readLists(TransportFilterControls::mainLists());
    if (m_ui->lapok->currentWidget() == m_ui->egyeb)
        readLists(TransportFilterControls::otherLists());
    m_ui->d1->setDate(today.addDays(-minusznapok));
    m_ui->d2->setDate(today);
    if (m_ini)
        m_widths->read(*m_ini, QLatin1String(Keys::kSzallitasokOszlop));
    else
        m_widths->apply({});
    m_ui->jelolt->setCurrentIndex(0);
    m_ui->minsorszam->setText(TransportFilterControls::storedMinSerial(m_ini));
}

void TSzallitasokform::release()
{
    if (m_ini)
        m_widths->write(*m_ini, QLatin1String(Keys::kSzallitasokOszlop));
    // A long read of a closed window is of no use to anyone.
    for (QProgressDialog *progress : findChildren<QProgressDialog *>(Qt::FindDirectChildrenOnly))
        emit progress->canceled();
    delete m_opening;
    m_opening = nullptr;
    m_listed.reset();
    m_model->setList({});
    m_model->setWorker(nullptr);
    m_pictures->setWorker(nullptr);
    m_worker = nullptr;
    m_ini = nullptr;
}

template <typename F>
auto TSzallitasokform::inOpening(F f)
{
    return [opening = QPointer<QObject>(m_opening), f = std::move(f)](auto &&...args) mutable {
        if (opening)
            f(std::forward<decltype(args)>(args)...);
    };
}

std::shared_ptr<WorkerCall::Busy> TSzallitasokform::busy()
{
    return std::make_shared<WorkerCall::Busy>(
        this, QList<QWidget *>{m_ui->bkereses, m_ui->bmainap, m_ui->bnyomtatas, m_ui->bismetles, m_ui->bmodositas,
                               m_ui->bmentes, m_ui->bsztorno, m_menuBar});
}

bool TSzallitasokform::ready() const
{
    // A second command while one runs is refused: its shortcut and the list's menu bypass the controls turned off.
    return m_worker && m_opening && !WorkerCall::Busy::running(this);
}

void TSzallitasokform::readLists(const QStringList &columns)
{
    if (!m_worker)
        return;
    if (columns.contains(TransportFilterControls::otherLists().first()))
        m_otherPageRead = true;
    const auto read = [columns](QSqlDatabase db) { return TransportFilterControls::readLists(db, columns); };
    WorkerCall::then(m_worker->run(read), this, inOpening([this, columns](const QList<QStringList> &lists) {
                         TransportFilterControls::fillLists(this, columns, lists);
                     }));
}

Filter TSzallitasokform::filter() const
{
    Filter f = TransportFilterControls::filter(this, *m_ui);
    f.todayDate = m_today;
    f.sort = m_sort;
    return f;
}

void TSzallitasokform::runSearch()
{
    if (m_ui->minsorszam->text().trimmed().isEmpty())
        m_ui->minsorszam->setText(QStringLiteral("0"));
    if (m_ui->sorszam->text().trimmed().isEmpty())
        m_ui->sorszam->setText(QStringLiteral("0"));
    TransportFilterControls::rememberQuickText(*m_ui);
    run(filter());
}

void TSzallitasokform::todayList()
{
    m_ui->gyorskereso->setEditText(QString());
    Filter f = filter();
    f.today = true;
    run(f);
}

void TSzallitasokform::run(Filter f, qint64 keepSerial)
{
    if (!ready())
        return;
    const auto search = [f](QSqlDatabase db, DatabaseWorker::Progress &progress) {
        Searched searched;
        try {
            auto built = build(db, f);
            if (const auto *refusal = std::get_if<Refusal>(&built)) {
                searched.refusal = *refusal;
                return searched;
            }
            searched.statement = std::get<Statement>(std::move(built));
            searched.list = TransportList::load(db, *searched.statement, TransportList::kPageSize,
                                                [&progress] { return progress.cancelled(); });
        } catch (const DatabaseError &e) {
            searched.failure = QString::fromUtf8(e.what());
        }
        return searched;
    };
    WorkerCall::withProgress(m_worker->runWithProgress(search), this, QString::fromUtf8(kSearching),
                             inOpening([this, keepSerial](const Searched &searched) {
                                 if (searched.refusal) {
                                     if (QWidget *field = findChild<QWidget *>(searched.refusal->field))
                                         field->setFocus();
                                     uzenet(searched.refusal->message);
                                     return;
                                 }
                                 if (searched.failure) {
                                     m_listed.reset();
                                     m_model->setList({});
                                     showTotals();
                                     uzenet(QString::fromUtf8(kQueryFailed) + QLatin1Char('\n') + *searched.failure);
                                     return;
                                 }
                                 m_model->setList(searched.list);
                                 m_listed = searched.statement;
                                 showTotals();
                                 if (keepSerial > 0)
                                     keepInView(keepSerial);
                             }),
                             busy());
}

void TSzallitasokform::keepInView(qint64 serial)
{
    const TransportList &list = m_model->list();
    for (qint64 i = 0; i < list.size(); ++i) {
        if (list.serial(i) == serial) {
            const QModelIndex index = m_model->index(int(i), 0);
            m_ui->lista->setCurrentIndex(index);
            m_ui->lista->scrollTo(index);
            return;
        }
    }
}

void TSzallitasokform::showTotals()
{
    const QStringList texts = m_model->list().totals().panels();
    for (int i = 0; i < 4; ++i)
        m_panels[i]->setText(texts.at(i));
}

void TSzallitasokform::headerClicked(int column)
{
    // The sort of a search under way stays as it was asked.
    if (m_worker && !ready())
        return;
    m_sort.click(column);
    m_model->setSort(m_sort.column, m_sort.ascending);
    if (m_model->rowCount() > 0)
        runSearch();
}

qint64 TSzallitasokform::selectedSerial() const
{
    const QModelIndexList rows = m_ui->lista->selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : m_model->serial(rows.first().row());
}

void TSzallitasokform::whenLocated(qint64 serial, std::function<void()> then)
{
    if (!ready())
        return;
    // Another station may have changed the table since the search.
    const auto check = [serial](QSqlDatabase db) { return Cancellation::check(db, serial); };
    WorkerCall::then(m_worker->run(check), this, inOpening([then = std::move(then)](Cancellation::Check now) {
                         if (now != Cancellation::Check::NotFound)
                             then();
                     }),
                     busy());
}

void TSzallitasokform::cancelSelected()
{
    const qint64 serial = selectedSerial();
    if (serial == 0) {
        uzenet(QString::fromUtf8(Cancellation::kNoneSelected));
        return;
    }
    if (!ready())
        return;
    const auto check = [serial](QSqlDatabase db) { return Cancellation::check(db, serial); };
    const auto cancel = [serial](QSqlDatabase db) { return Cancellation::cancel(db, serial); };
    const auto cancelled = inOpening([this, serial](Cancellation::Check outcome) {
        if (const auto refusal = Cancellation::refusal(outcome))
            uzenet(refusal->message);
        // The same filters again, the cancelled ticket kept in view when it is still listed.
        run(filter(), serial);
    });
    WorkerCall::then(m_worker->run(check), this, inOpening([this, serial, cancel, cancelled](Cancellation::Check now) {
                         if (const auto refusal = Cancellation::refusal(now)) {
                             uzenet(refusal->message);
                             return;
                         }
                         if (now == Cancellation::Check::NotFound ||
                             !kerdes(Cancellation::question(serial)) || !ready())
                             return;
                         WorkerCall::then(m_worker->run(cancel), this, cancelled, busy());
                     }),
                     busy());
}

void TSzallitasokform::reprintSelected()
{
    const qint64 serial = selectedSerial();
    if (serial == 0) {
        uzenet(QString::fromUtf8(kNoneToPrint));
        return;
    }
    if (m_reprint)
        whenLocated(serial, [this, serial] { m_reprint(serial); });
}

void TSzallitasokform::showTrail()
{
    const qint64 serial = selectedSerial();
    if (serial == 0) {
        uzenet(QString::fromUtf8(kNoneForTrail));
        return;
    }
    if (!ready())
        return;
    const auto read = [serial](QSqlDatabase db) { return Trail::ofSerial(db, serial); };
    WorkerCall::then(m_worker->run(read), this, inOpening([this, serial](QList<Trail::Row> rows) {
                         if (!m_naploform)
                             m_naploform = new TNaploform(this);
                         m_naploform->showSerial(serial, std::move(rows));
                         m_naploform->open();
                     }),
                     busy());
}

void TSzallitasokform::modifySelected()
{
    const qint64 serial = selectedSerial();
    if (serial == 0) {
        uzenet(QString::fromUtf8(kNoneToModify));
        return;
    }
    if (!m_modify)
        return;
    const int row = m_ui->lista->selectionModel()->selectedRows().first().row();
    whenLocated(serial, [this, serial, row] {
        // The row shows what was stored at once, not only after the next search.
        m_modify(serial, inOpening([this, serial, row] {
                     if (m_model->serial(row) == serial)
                         m_model->reloadRow(row);
                 }));
    });
}

void TSzallitasokform::printList()
{
    if (m_model->rowCount() == 0) {
        uzenet(QString::fromUtf8(kNothingToPrint));
        return;
    }
    if (!m_listed || !m_reportViewer || !ready())
        return;
    const Statement statement = *m_listed;
    const QString direction = m_ui->irany->currentText();
    const QString folder = m_programFolder;
    // The report is laid out here and drawn by the preview on the window thread: until drawn it is plain values.
    const auto build = [statement, direction, folder](QSqlDatabase db, DatabaseWorker::Progress &) {
        const ListReports::Heading heading{CompanyData::load(folder).value_or(QStringList()), {}};
        return std::make_shared<std::unique_ptr<PagedDocument>>(
            ListReports::transports(db, statement, direction, heading));
    };
    WorkerCall::withProgress(m_worker->runWithProgress(build), this, QString::fromUtf8(kBuildingReport),
                             inOpening([this](const Report &report) {
                                 if (report && *report)
                                     m_reportViewer(std::move(*report));
                             }),
                             busy());
}

void TSzallitasokform::setReportViewer(std::function<void(std::unique_ptr<PagedDocument>)> viewer)
{
    m_reportViewer = std::move(viewer);
}

void TSzallitasokform::saveList()
{
    if (m_model->rowCount() == 0 || !m_listed || !m_worker) {
        uzenet(QString::fromUtf8(kNothingToSave));
        return;
    }
    if (!ready())
        return;
    const Statement statement = *m_listed;
    const qint64 rows = m_model->rowCount();
    CsvSaving::saveQuery(
        this, m_worker, m_programFolder,
        [statement, rows](const QSqlDatabase &db) { return CsvSaving::Rows{statement.stream(db), rows}; }, busy());
}

void TSzallitasokform::saveMinSerial()
{
    if (const auto refusal = TransportFilterControls::saveMinSerial(*m_ui, m_ini))
        uzenet(*refusal);
}
