#include "Tautomeresek.h"

#include "AutoTable.h"
#include "CompanyData.h"
#include "Config.h"
#include "CsvExport.h"
#include "CsvSaving.h"
#include "DatabaseWorker.h"
#include "IniFile.h"
#include "ListReports.h"
#include "MessageBoxes.h"
#include "PagedDocument.h"
#include "SlotGuard.h"
#include "WindowHelpers.h"
#include "WorkerCall.h"

#include "ColumnWidths.h"
#include "ui_Tautomeresek.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace {

constexpr char kBadRange[] = "Hibás intervallumok !";
constexpr char kNothingFound[] = "A megadott időintervallumban nincs szállítás rögzítve !";
constexpr char kNoResultToSave[] = "Nincs mentendő eredmény.";
constexpr char kNoWeighingToPrint[] = "Nincs nyomtatandó szállítás !";
constexpr char kSearching[] = "Keresés...";
constexpr int kColumns = 2;

} // namespace

// The stored weights as the list shows them, both columns right-aligned.
class AutoListModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QList<AutoTable::Row> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    const QList<AutoTable::Row> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : kColumns; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DisplayRole)
            return AutoTable::texts(m_rows.at(index.row())).value(index.column());
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal)
            return {};
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole)
            return {};
        return section == 0 ? QStringLiteral("Dátum/idő") : QStringLiteral("Mért tömeg kg");
    }

private:
    QList<AutoTable::Row> m_rows;
};

Tautomeresek::Tautomeresek(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tautomeresek>())
{
    m_ui->setupUi(this);
    m_model = new AutoListModel(this);
    m_ui->lista->setModel(m_model);
    m_widths = new ColumnWidths(m_ui->lista);

    auto *toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const auto command = [&](const char *name, const QString &caption, const QString &hint,
                             QStyle::StandardPixmap icon, void (Tautomeresek::*slot)()) {
        QAction *action = toolBar->addAction(style()->standardIcon(icon), caption);
        action->setObjectName(QLatin1String(name));
        action->setToolTip(hint);
        action->setStatusTip(hint);
        connect(action, &QAction::triggered, this, guarded(this, slot));
        return action;
    };
    QAction *search = command("mKereses", QStringLiteral("Keresés"),
                              QStringLiteral("Keresés indítása a feltételek alapján"),
                              QStyle::SP_FileDialogContentsView, &Tautomeresek::runSearch);
    search->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    addAction(search);
    command("mNyomtatas", QStringLiteral("Nyomtatás"), QStringLiteral("Eredménylista nyomtatása"),
            QStyle::SP_FileIcon, &Tautomeresek::printList);
    command("mMentes", QStringLiteral("Mentés"), QStringLiteral("Eredménylista mentése Excel *.csv fájlba"),
            QStyle::SP_DialogSaveButton, &Tautomeresek::saveList);

    m_status = new QStatusBar(this);
    m_status->setObjectName(QStringLiteral("StatusBar1"));
    m_ui->mainLayout->insertWidget(0, toolBar);
    m_ui->mainLayout->addWidget(m_status);
    m_ui->bodyLayout->setStretch(1, 1);
}

Tautomeresek::~Tautomeresek() = default;

void Tautomeresek::setReportViewer(std::function<void(std::unique_ptr<PagedDocument>)> viewer)
{
    m_reportViewer = std::move(viewer);
}

void Tautomeresek::prepare(DatabaseWorker *worker, IniFile *ini, const QDate &today, const QString &programFolder)
{
    m_worker = worker;
    m_ini = ini;
    m_programFolder = programFolder;
    m_ui->date1->setDate(today);
    m_ui->date2->setDate(today);
    if (m_ini)
        m_widths->read(*m_ini, QLatin1String(Keys::kAutomeresekOszlop));
    else
        m_widths->apply({});
    clearList();
}

void Tautomeresek::release()
{
    if (m_ini)
        m_widths->write(*m_ini, QLatin1String(Keys::kAutomeresekOszlop));
    clearList();
    m_worker = nullptr;
    m_ini = nullptr;
}

std::shared_ptr<WorkerCall::Busy> Tautomeresek::busy()
{
    QList<QWidget *> controls{m_ui->date1, m_ui->date2};
    for (QToolBar *bar : findChildren<QToolBar *>())
        controls.append(bar);
    return std::make_shared<WorkerCall::Busy>(this, controls);
}

void Tautomeresek::clearList()
{
    m_listed.reset();
    m_model->setRows({});
    m_status->clearMessage();
}

void Tautomeresek::runSearch()
{
    const QDate from = m_ui->date1->date();
    const QDate to = m_ui->date2->date();
    if (to < from) {
        uzenet(QString::fromUtf8(kBadRange));
        return;
    }
    if (!m_worker || WorkerCall::Busy::running(this))
        return;
    auto read = m_worker->runWithProgress(
        [from, to](QSqlDatabase db, DatabaseWorker::Progress &) { return AutoTable::list(db, from, to); });
    WorkerCall::withProgress(read, this, QString::fromUtf8(kSearching),
                             [this, from, to](const QList<AutoTable::Row> &rows) {
                                 if (!m_worker)
                                     return; // the window closed meanwhile
                                 if (rows.isEmpty()) {
                                     // An earlier result must not stay listed under the new dates, nor be printed
                                     // or saved for them.
                                     clearList();
                                     uzenet(QString::fromUtf8(kNothingFound));
                                     return;
                                 }
                                 m_model->setRows(rows);
                                 m_listed = std::make_pair(from, to);
                                 m_status->showMessage(QStringLiteral("%1 találat.").arg(m_model->rowCount()));
                             },
                             busy());
}

void Tautomeresek::printList()
{
    if (m_model->rowCount() == 0 || !m_listed) {
        uzenet(QString::fromUtf8(kNoWeighingToPrint));
        return;
    }
    if (!m_worker || !m_reportViewer || WorkerCall::Busy::running(this))
        return;
    // The report is laid out where it is read: a band report measures no fonts until it is painted. It comes
    // back in a holder because a future's result is copied.
    using Report = std::shared_ptr<std::unique_ptr<PagedDocument>>;
    auto read = m_worker->runWithProgress(
        [range = *m_listed, folder = m_programFolder](QSqlDatabase db, DatabaseWorker::Progress &) {
            const ListReports::Heading heading{CompanyData::load(folder).value_or(QStringList()), {}};
            return std::make_shared<std::unique_ptr<PagedDocument>>(
                ListReports::automatic(db, range.first, range.second, heading));
        });
    WorkerCall::withProgress(read, this, QString::fromUtf8(kSearching),
                             [this](const Report &report) {
                                 if (m_worker && m_reportViewer && report && *report)
                                     m_reportViewer(std::move(*report));
                             },
                             busy());
}

void Tautomeresek::saveList()
{
    if (m_model->rowCount() == 0) {
        uzenet(QString::fromUtf8(kNoResultToSave));
        return;
    }
    QList<QStringList> lines;
    for (const AutoTable::Row &row : m_model->rows())
        lines.append(AutoTable::texts(row));
    const QByteArray bytes = CsvExport::bytes(AutoTable::columnNames(), lines);
    CsvSaving::save(this, m_programFolder, lines.size(), [&](const QString &path, const CsvExport::Progress &) {
        CsvExport::Outcome outcome;
        outcome.rows = lines.size();
        outcome.error = CsvExport::write(path, bytes);
        return outcome;
    });
}
