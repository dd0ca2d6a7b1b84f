#include "TNaploform.h"

#include "TrailModel.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

TNaploform::TNaploform(QWidget *parent)
    : QDialog(parent)
    , m_lista(new QTableView(this))
    , m_model(new TrailModel(this))
{
    setObjectName(QStringLiteral("naploform"));
    m_lista->setObjectName(QStringLiteral("lista"));
    m_lista->setModel(m_model);
    m_lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lista->verticalHeader()->hide();
    m_lista->horizontalHeader()->setStretchLastSection(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lista);
    layout->addWidget(buttons);
    resize(900, 320);
}

void TNaploform::showSerial(qint64 serial, QList<Trail::Row> rows)
{
    m_model->setRows(std::move(rows));
    setWindowTitle(QStringLiteral("A(z) %1. sorszámú mérlegjegy naplója").arg(serial));
    m_lista->resizeColumnsToContents();
}
