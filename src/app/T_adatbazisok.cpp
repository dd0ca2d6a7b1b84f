#include "T_adatbazisok.h"

#include "Database.h"
#include "MasterTable.h"
#include "MasterTableModel.h"
#include "MessageBoxes.h"
#include "SlotGuard.h"
#include "WindowHelpers.h"

#include "ui_T_adatbazisok.h"

#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QSqlError>
#include <QSignalBlocker>

namespace {

constexpr char kDeleteQuestion[] = "Törli a kijelölt sort?";

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
        if (m_model && row >= 0 && kerdes(QString::fromUtf8(kDeleteQuestion)) && m_model->removeRow(row))
            m_model->select();
    });
    on(m_ui->navEdit, [this] {
        if (m_ui->grid->currentIndex().isValid())
            m_ui->grid->edit(m_ui->grid->currentIndex());
    });
    on(m_ui->navPost, [this] {
        if (m_model && !m_model->submitAll())
            uzenet(m_model->lastError().text());
    });
    on(m_ui->navCancel, [this] {
        if (m_model)
            m_model->revertAll();
    });
    on(m_ui->navRefresh, [this] {
        if (m_model && m_database)
            m_database->refresh(m_model->tableName());
        if (m_model)
            m_model->select();
    });
    updateNavigator();
}

T_adatbazisok::~T_adatbazisok() = default;

void T_adatbazisok::prepare(Database *database)
{
    m_database = database;
    m_ui->adatbazis->setCurrentIndex(-1);
    setGridModel(nullptr);
    delete m_model;
    m_model = nullptr;
    if (m_database) {
        m_model = new MasterTableModel(this, m_database->db());
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
    if (m_model)
        m_model->bind(QString());
    setGridModel(nullptr);
    delete m_model;
    m_model = nullptr;
    m_database = nullptr;
    m_ui->adatbazis->setCurrentIndex(-1);
    updateNavigator();
}

void T_adatbazisok::chooseTable(int index)
{
    const QString table = MasterTable::tableAt(index);
    if (table.isEmpty() || !m_model)
        return;
    homokora(true);
    m_database->refresh(table);
    m_model->bind(table);
    homokora(false);
    {
        const QSignalBlocker blocker(m_ui->adatbazis);
        m_ui->adatbazis->setCurrentIndex(index);
    }
    updateNavigator();
}

void T_adatbazisok::gridDoubleClicked(bool altDown)
{
    if (altDown && !m_ui->adatbazis->isEnabled())
        m_ui->adatbazis->setEnabled(true);
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

void T_adatbazisok::updateNavigator()
{
    const bool bound = m_model && !m_model->tableName().isEmpty();
    const bool rowsChange = bound && MasterTable::canInsertOrDelete(m_model->tableName());
    for (QWidget *button : m_ui->navigator->findChildren<QAbstractButton *>())
        button->setEnabled(bound);
    m_ui->navInsert->setEnabled(rowsChange);
    m_ui->navDelete->setEnabled(rowsChange);
}
