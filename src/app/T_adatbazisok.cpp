#include "T_adatbazisok.h"

#include "DatabaseWorker.h"
#include "MasterTable.h"
#include "MasterTableModel.h"
#include "MessageBoxes.h"
#include "SlotGuard.h"
#include "WindowHelpers.h"
#include "WorkerCall.h"

#include "ui_T_adatbazisok.h"

#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalBlocker>

namespace {

constexpr char kDeleteQuestion[] = "Törli a kijelölt sort?";
constexpr char kReading[] = "Adatok beolvasása...";

} // namespace

T_adatbazisok::T_adatbazisok(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::T_adatbazisok>())
{
    m_ui->setupUi(this);
    for (const MasterTable::Entry &entry : MasterTable::tables())
        m_ui->adatbazis->addItem(entry.caption);
    m_ui->adatbazis->setCurrentIndex(-1);
    m_ui->grid->viewport()->installEventFilter(this);

    connect(m_ui->adatbazis, &QComboBox::activated, this, guarded(this, &T_adatbazisok::chooseTable));
    const auto on = [this](QAbstractButton *button, auto slot) {
        connect(button, &QAbstractButton::clicked, this, guarded(slot));
    };
    on(m_ui->navFirst, [this] { navigate(0); });
    on(m_ui->navPrior, [this] { navigate(m_ui->grid->currentIndex().row() - 1); });
    on(m_ui->navNext, [this] { navigate(m_ui->grid->currentIndex().row() + 1); });
    on(m_ui->navLast, [this] { navigate(m_model ? m_model->rowCount() - 1 : -1); });
    on(m_ui->navInsert, [this] {
        if (m_model && m_model->insertRow(m_model->rowCount()))
            navigate(m_model->rowCount() - 1);
    });
    on(m_ui->navDelete, [this] {
        const int row = m_ui->grid->currentIndex().row();
        if (m_model && row >= 0 && kerdes(QString::fromUtf8(kDeleteQuestion)))
            m_model->removeRow(row);
    });
    on(m_ui->navEdit, [this] {
        if (m_ui->grid->currentIndex().isValid())
            m_ui->grid->edit(m_ui->grid->currentIndex());
    });
    on(m_ui->navPost, [this] {
        if (m_model)
            m_model->submitAll();
    });
    on(m_ui->navCancel, [this] {
        if (m_model)
            m_model->revertAll();
    });
    on(m_ui->navRefresh, [this] {
        if (m_model)
            chooseTable(m_ui->adatbazis->currentIndex());
    });
    updateNavigator();
}

T_adatbazisok::~T_adatbazisok() = default;

void T_adatbazisok::prepare(DatabaseWorker *worker)
{
    m_worker = worker;
    m_ui->adatbazis->setCurrentIndex(-1);
    setGridModel(nullptr);
    delete m_model;
    m_model = nullptr;
    if (m_worker) {
        m_model = new MasterTableModel(m_worker, this);
        m_model->setBusy([this] { return busy(); });
        connect(m_model, &MasterTableModel::refused, this, guarded([](const QString &message) { uzenet(message); }));
        setGridModel(m_model);
        // A new row is written once it is complete: when the cursor leaves it.
        connect(m_ui->grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                guarded([this](const QModelIndex &, const QModelIndex &previous) {
                    if (previous.isValid() && m_model->isDirty())
                        m_model->submitAll();
                }));
    }
    updateNavigator();
}

void T_adatbazisok::release()
{
    setGridModel(nullptr);
    delete m_model;
    m_model = nullptr;
    m_worker = nullptr;
    m_ui->adatbazis->setCurrentIndex(-1);
    updateNavigator();
}

void T_adatbazisok::chooseTable(int index)
{
    const QString table = MasterTable::tableAt(index);
    if (table.isEmpty() || !m_model || !m_worker || WorkerCall::Busy::running(this))
        return;
    // The choice shows the table the grid holds until the other one is read; a cancelled read keeps it.
    const auto showBound = [this] {
        const QSignalBlocker blocker(m_ui->adatbazis);
        int bound = -1;
        for (int i = 0; i < MasterTable::tables().size(); ++i) {
            if (MasterTable::tableAt(i) == m_model->tableName())
                bound = i;
        }
        m_ui->adatbazis->setCurrentIndex(bound);
    };
    showBound();
    auto read = m_worker->runWithProgress([table](QSqlDatabase db, DatabaseWorker::Progress &progress) {
        return MasterRows::list(db, table, [&progress](qint64 done, qint64 total) {
            progress.report(int(done), int(total));
            return !progress.cancelled();
        });
    });
    QPointer<MasterTableModel> model = m_model;
    WorkerCall::withProgress(read, this, QString::fromUtf8(kReading),
                             [this, model, table, showBound](MasterRows::Listing listing) {
                                 if (!model || model != m_model)
                                     return;
                                 m_model->setListing(table, std::move(listing));
                                 showBound();
                                 updateNavigator();
                             },
                             busy());
}

void T_adatbazisok::gridDoubleClicked(bool altDown)
{
    if (altDown && !m_ui->adatbazis->isEnabled()) {
        m_ui->adatbazis->setEnabled(true);
        m_ui->adatbazis->setToolTip(QString());
        m_ui->zarolas->hide();
    }
}

bool T_adatbazisok::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->grid->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        gridDoubleClicked(mouse->modifiers().testFlag(Qt::AltModifier) || altlenyomva());
    }
    return QDialog::eventFilter(watched, event);
}

void T_adatbazisok::setGridModel(QAbstractItemModel *model)
{
    // The view leaves its old selection model to whoever set the model.
    if (model && m_ui->grid->model() == model)
        return;
    QItemSelectionModel *old = m_ui->grid->selectionModel();
    m_ui->grid->setModel(model);
    delete old;
}

void T_adatbazisok::navigate(int row)
{
    if (!m_model || m_model->rowCount() == 0)
        return;
    row = qBound(0, row, m_model->rowCount() - 1);
    const int column = qMax(0, m_ui->grid->currentIndex().column());
    m_ui->grid->setCurrentIndex(m_model->index(row, column));
}

std::shared_ptr<WorkerCall::Busy> T_adatbazisok::busy()
{
    // The grid keeps the focus; the model takes no edit while a write is on its way.
    return std::make_shared<WorkerCall::Busy>(this, QList<QWidget *>{m_ui->navigator, m_ui->adatbazis});
}

void T_adatbazisok::updateNavigator()
{
    const bool bound = m_model && !m_model->tableName().isEmpty();
    const bool rowsChange = bound && MasterTable::canInsertOrDelete(m_model->tableName());
    for (QWidget *button : m_ui->navigator->findChildren<QAbstractButton *>())
        button->setEnabled(bound);
    m_ui->navInsert->setEnabled(rowsChange);
    m_ui->navDelete->setEnabled(rowsChange);
}
