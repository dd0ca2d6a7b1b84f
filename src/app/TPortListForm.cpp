#include "TPortListForm.h"

#include "ui_TPortListForm.h"

#include <QHeaderView>
#include <QStandardItemModel>

TPortListForm::TPortListForm(QWidget *parent, PortDetector detector)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TPortListForm>())
    , m_detector(std::move(detector))
    , m_model(new QStandardItemModel(0, ColumnCount, this))
{
    m_ui->setupUi(this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Port"), QStringLiteral("Eszköz"), QStringLiteral("Leírás")});
    m_ui->portlista->setModel(m_model);
    m_ui->portlista->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_ui->portlista->header()->setStretchLastSection(true);
    connect(m_ui->frissit, &QPushButton::clicked, this, &TPortListForm::refresh);
    connect(m_ui->bezar, &QPushButton::clicked, this, &QDialog::reject);
}

TPortListForm::~TPortListForm() = default;

void TPortListForm::refresh()
{
    m_model->removeRows(0, m_model->rowCount());
    for (const DetectedPort &port : m_detector.detect()) {
        QList<QStandardItem *> row;
        for (const QString &text : {port.name, port.devicePath, port.description})
            row.append(new QStandardItem(text));
        m_model->appendRow(row);
    }
}

void TPortListForm::showEvent(QShowEvent *event)
{
    refresh();
    QDialog::showEvent(event);
}
