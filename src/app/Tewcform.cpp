#include "Tewcform.h"

#include "ui_Tewcform.h"

#include "Ablak.h"
#include "Config.h"
#include "EwcList.h"
#include "Kelvo.h"
#include "MessageBoxes.h"
#include "Seged.h"
#include "WindowHelpers.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStandardItemModel>

Tewcform::Tewcform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tewcform>())
    , m_model(new QStandardItemModel(0, 2, this))
{
    m_ui->setupUi(this);
    setMinimumSize(350, 250);
    setSizeGripEnabled(true);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Kód"), QStringLiteral("Leírás")});
    m_ui->lista->setModel(m_model);
    m_ui->lista->setRootIsDecorated(false);
    m_ui->lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ui->lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ui->ewc->setInsertPolicy(QComboBox::NoInsert);
    m_ui->ewc->installEventFilter(this);
    m_ui->ewc->lineEdit()->installEventFilter(this);
    connect(m_ui->lista, &QAbstractItemView::doubleClicked, this, &Tewcform::pick);
}

Tewcform::~Tewcform() = default;

void Tewcform::attach(Kelvo *kelvo)
{
    m_kelvo = kelvo;
}

bool Tewcform::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            search();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Tewcform::search()
{
    m_model->removeRows(0, m_model->rowCount());
    const QString text = m_ui->ewc->currentText();
    const auto result = EwcList::search(m_kelvo->programFolder(), text);
    if (const auto *refusal = std::get_if<Refusal>(&result)) {
        uzenet(refusal->message);
        if (!refusal->field.isEmpty())
            m_ui->ewc->setFocus();
        return;
    }
    homokora(true);
    for (const EwcList::Entry &e : std::get<QList<EwcList::Entry>>(result))
        m_model->appendRow({new QStandardItem(e.code), new QStandardItem(e.description)});
    // The history keeps every search, repeats included, newest first.
    m_ui->ewc->insertItem(0, text);
    m_ui->ewc->setEditText(text);
    homokora(false);
}

void Tewcform::pick()
{
    const QModelIndexList rows = m_ui->lista->selectionModel()->selectedRows();
    if (rows.size() != 1)
        return;
    emit codeChosen(m_model->item(rows.first().row(), 0)->text());
    accept();
}

void Tewcform::done(int result)
{
    if (m_kelvo && m_kelvo->config())
        ablakmentes(m_kelvo->config()->ini(), this);
    QDialog::done(result);
}
