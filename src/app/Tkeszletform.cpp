#include "Tkeszletform.h"

#include "ColumnWidths.h"
#include "CompanyData.h"
#include "DatabaseWorker.h"
#include "Listatoltes.h"
#include "WorkerCall.h"
#include "ListReports.h"
#include "MessageBoxes.h"
#include "CsvExport.h"
#include "CsvSaving.h"
#include "WindowHelpers.h"

#include "ui_Tkeszletform.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <utility>

namespace {

constexpr char kNoStockToPrint[] = "Nincs nyomtatandó készlet !";
constexpr char kNoStockToSave[] = "Nincs mentendő keresési eredmény !";

// The report's rows as the list shows them: the product, the grouped quantity right-aligned, and an icon telling
// stock (1 kg or more) from none or a deficit.
class StockListModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QList<StockQuery::Row> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    const QList<StockQuery::Row> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 2; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const StockQuery::Row &row = m_rows.at(index.row());
        if (role == Qt::DisplayRole)
            return index.column() == 0 ? row.termeknev : StockQuery::quantityText(row.mennyiseg);
        if (role == Qt::TextAlignmentRole && index.column() == 1)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::DecorationRole && index.column() == 0)
            return QApplication::style()->standardIcon(row.mennyiseg >= 1 ? QStyle::SP_DialogApplyButton
                                                                            : QStyle::SP_MessageBoxWarning);
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return section == 0 ? QStringLiteral("Terméknév") : QStringLiteral("Készletmennyiség (kg)");
    }

private:
    QList<StockQuery::Row> m_rows;
};

StockQuery::Box box(const QComboBox *combo)
{
    const QString text = combo->currentText();
    // A typed text selects the entry it names, as the list's own search would.
    return {text, combo->findText(text, Qt::MatchFixedString)};
}

void fill(QComboBox *combo, const QStringList &values)
{
    fillList(combo, values);
    combo->insertItem(0, QString::fromUtf8(StockQuery::kAny));
    combo->setCurrentIndex(0);
}

constexpr char kRunning[] = "Készlet számítása...";

StockListModel *stockModel(QAbstractTableModel *model)
{
    return static_cast<StockListModel *>(model);
}

} // namespace

Tkeszletform::Tkeszletform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tkeszletform>())
{
    m_ui->setupUi(this);
    m_ui->irany->addItems({QStringLiteral("Mindegy (összesítés)"), QStringLiteral("Beszállítás"),
                           QStringLiteral("Kiszállítás")});
    m_ui->raktar->lineEdit()->setMaxLength(35);
    m_ui->cegnev->lineEdit()->setMaxLength(60);
    m_ui->ugyfel->lineEdit()->setMaxLength(60);
    connect(m_ui->datumkozt, &QCheckBox::toggled, this, [this](bool on) {
        for (QWidget *w : {static_cast<QWidget *>(m_ui->d1), static_cast<QWidget *>(m_ui->d2),
                           static_cast<QWidget *>(m_ui->lbl_d1), static_cast<QWidget *>(m_ui->lbl_d2)})
            w->setEnabled(on);
    });

    auto *model = new StockListModel(this);
    m_model = model;
    m_ui->lista->setModel(model);
    m_widths = new ColumnWidths(m_ui->lista);
    m_widths->apply({300, 150});
    m_ui->lista->header()->setSectionsClickable(true);
    m_ui->lista->header()->setSortIndicatorShown(true);
    connect(m_ui->lista->header(), &QHeaderView::sectionClicked, this, [this](int column) { headerClicked(column); });

    // Toolbar and the "Művelet" menu share their actions.
    auto *menuBar = new QMenuBar(this);
    QMenu *menu = menuBar->addMenu(QStringLiteral("Művelet"));
    auto *toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const auto command = [&](const QString &name, const QString &caption, const QString &menuText,
                             const QString &hint, QStyle::StandardPixmap icon, auto slot) {
        auto *action = new QAction(style()->standardIcon(icon), menuText, this);
        action->setObjectName(name);
        action->setToolTip(hint);
        connect(action, &QAction::triggered, this, slot);
        menu->addAction(action);
        if (!caption.isEmpty()) {
            auto *button = new QAction(action->icon(), caption, this);
            button->setObjectName(name + QStringLiteral("Gomb"));
            button->setToolTip(hint);
            connect(button, &QAction::triggered, action, &QAction::trigger);
            toolBar->addAction(button);
        }
        return action;
    };
    QAction *search = command(QStringLiteral("mKereses"), QStringLiteral("Keresés"), QStringLiteral("Keresés"),
                              QStringLiteral("Keresés indítása a feltételek alapján"), QStyle::SP_FileDialogContentsView,
                              [this] { runQuery(); });
    search->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    command(QStringLiteral("mNyomtatas"), QStringLiteral("Nyomtatás"), QStringLiteral("Lista nyomtatása"),
            QStringLiteral("Eredménylista nyomtatása"), QStyle::SP_FileIcon, [this] { printList(); });
    command(QStringLiteral("mMentes"), QStringLiteral("Mentés"), QStringLiteral("Lista mentése"),
            QStringLiteral("Eredménylista mentése Excel *.csv fájlba"), QStyle::SP_DialogSaveButton,
            [this] { saveList(); });
    QAction *quit = command(QStringLiteral("mKilepes"), QString(), QStringLiteral("Kilépés"), QString(),
                            QStyle::SP_DialogCloseButton, [this] { reject(); });
    quit->setShortcut(QKeySequence(Qt::Key_Escape));
    addActions({search, quit});

    m_status = new QStatusBar(this);
    m_status->setObjectName(QStringLiteral("StatusBar1"));
    m_status->setSizeGripEnabled(false);
    m_ui->mainLayout->setMenuBar(menuBar);
    m_ui->mainLayout->insertWidget(0, toolBar);
    m_ui->mainLayout->addWidget(m_status);
    m_ui->bodyLayout->setStretch(1, 1);
    showSortIndicator();
    m_firstSize = size();
}

void Tkeszletform::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The quantity is what the window is for: at its first size both columns show whole. Measured once shown
    // and again when the filter lists arrive, since the filter panel takes the width of its lists.
    m_growing = !m_firstSize.isEmpty() && size() == m_firstSize;
    m_firstSize = {};
    if (m_growing)
        m_widths->showAllColumns();
}

Tkeszletform::~Tkeszletform() = default;

void Tkeszletform::prepare(DatabaseWorker *worker, const QDate &today, qint64 minusznapok,
                           const QString &programFolder)
{
    m_worker = worker;
    m_programFolder = programFolder;
    m_ui->d1->setDate(today.addDays(-minusznapok));
    m_ui->d2->setDate(today);
    stockModel(m_model)->setRows({});
    m_status->showMessage(QString());
    if (!m_worker)
        return;
    const QList<QComboBox *> boxes{m_ui->termeknev, m_ui->raktar, m_ui->cegnev, m_ui->ugyfel};
    const auto read = [](QSqlDatabase db) {
        QList<QStringList> lists;
        for (const char *field : {"termeknev", "raktar", "cegnev", "ugyfelnev"})
            lists.append(distinctColumnValues(db, QStringLiteral("szallitasok"), QLatin1String(field)));
        return lists;
    };
    WorkerCall::then(m_worker->run(read), this, [this, boxes](const QList<QStringList> &lists) {
        for (int i = 0; i < boxes.size(); ++i)
            fill(boxes.at(i), lists.value(i));
        if (std::exchange(m_growing, false) && isVisible())
            m_widths->showAllColumns();
    }, busy());
}

void Tkeszletform::release()
{
    m_growing = false;
    m_worker = nullptr;
}

std::shared_ptr<WorkerCall::Busy> Tkeszletform::busy()
{
    QList<QWidget *> controls{m_ui->lista};
    for (QToolBar *bar : findChildren<QToolBar *>())
        controls.append(bar);
    return std::make_shared<WorkerCall::Busy>(this, controls);
}

StockQuery::Filter Tkeszletform::filter() const
{
    StockQuery::Filter f;
    f.termeknev = box(m_ui->termeknev);
    f.raktar = box(m_ui->raktar);
    f.cegnev = box(m_ui->cegnev);
    f.ugyfel = box(m_ui->ugyfel);
    f.irany = static_cast<StockQuery::Direction>(qBound(0, m_ui->irany->currentIndex(), 2));
    f.datumkozt = m_ui->datumkozt->isChecked();
    f.d1 = m_ui->d1->date();
    f.d2 = m_ui->d2->date();
    f.sortColumn = m_sortColumn;
    f.ascending = m_ascending;
    return f;
}

void Tkeszletform::runQuery()
{
    const StockQuery::Filter f = filter();
    if (const auto refusal = StockQuery::check(f)) {
        uzenet(refusal->message);
        return;
    }
    if (!m_worker || WorkerCall::Busy::running(this))
        return;
    // The figures come from every ticket of the period: on a big database that takes a while, and the operator
    // may give up on it.
    const auto stock = [f](QSqlDatabase db, DatabaseWorker::Progress &) { return StockQuery::run(db, f); };
    WorkerCall::withProgress(m_worker->runWithProgress(stock), this, QString::fromUtf8(kRunning),
                             [this](QList<StockQuery::Row> rows) {
                                 stockModel(m_model)->setRows(std::move(rows));
                                 m_status->showMessage(StockQuery::statusText(m_model->rowCount()));
                             },
                             busy());
}

void Tkeszletform::headerClicked(int column)
{
    m_sortColumn = column == 1 ? StockQuery::SortColumn::Quantity : StockQuery::SortColumn::Product;
    m_ascending = !m_ascending;
    showSortIndicator();
    if (m_model->rowCount() > 0)
        runQuery();
}

void Tkeszletform::showSortIndicator()
{
    m_ui->lista->header()->setSortIndicator(int(m_sortColumn), m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void Tkeszletform::printList()
{
    if (m_model->rowCount() == 0) {
        uzenet(QString::fromUtf8(kNoStockToPrint));
        return;
    }
    if (!m_reportViewer)
        return;
    const ListReports::Heading heading{CompanyData::load(m_programFolder).value_or(QStringList()), {}};
    m_reportViewer(ListReports::stock(stockModel(m_model)->rows(), heading));
}

void Tkeszletform::setReportViewer(std::function<void(std::unique_ptr<PagedDocument>)> viewer)
{
    m_reportViewer = std::move(viewer);
}

void Tkeszletform::saveList()
{
    if (m_model->rowCount() == 0) {
        uzenet(QString::fromUtf8(kNoStockToSave));
        return;
    }
    QList<QStringList> lines;
    for (const StockQuery::Row &row : stockModel(m_model)->rows())
        lines.append({row.termeknev, QString::number(row.mennyiseg)});
    const QByteArray bytes = CsvExport::bytes(StockQuery::columnNames(), lines);
    CsvSaving::save(this, m_programFolder, lines.size(), [&](const QString &path, const CsvExport::Progress &) {
        CsvExport::Outcome outcome;
        outcome.rows = lines.size();
        outcome.error = CsvExport::write(path, bytes);
        return outcome;
    });
}
