#include "TSetportForm.h"

#include "MessageBoxes.h"
#include "TComPort.h"
#include "TPortListForm.h"

#include "ui_TSetportForm.h"

#include <QStringListModel>

namespace {

QStringListModel *fillSettingList(QComboBox *box, const QStringList &items)
{
    auto *model = new QStringListModel(items, box);
    box->setModel(model);
    return model;
}

// A value the list does not hold leaves the list without a selection.
void select(QComboBox *box, const QString &text)
{
    box->setCurrentIndex(box->findText(text));
}

} // namespace

TSetportForm::TSetportForm(QWidget *parent, PortDetector detector)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TSetportForm>())
{
    m_ui->setupUi(this);
    m_ports = fillSettingList(m_ui->comport, detector.listComPorts(false));
    fillSettingList(m_ui->databits, PortSettings::dataBitsItems());
    fillSettingList(m_ui->baudrate, PortSettings::baudRateItems());
    fillSettingList(m_ui->parity, PortSettings::parityItems());
    fillSettingList(m_ui->stopbits, PortSettings::stopBitsItems());
    fillSettingList(m_ui->terminator, PortSettings::terminatorItems());
    // Typing a terminator edits the choice; it does not grow the list.
    m_ui->terminator->setInsertPolicy(QComboBox::NoInsert);

    m_portListForm = new TPortListForm(this, std::move(detector));
    connect(m_ui->eszkozkezelo, &QPushButton::clicked, m_portListForm, &QWidget::show);
    connect(m_ui->OKBtn, &QPushButton::clicked, this, &TSetportForm::accept);
    connect(m_ui->CancelBtn, &QPushButton::clicked, this, &TSetportForm::reject);
}

TSetportForm::~TSetportForm() = default;

void TSetportForm::setPortList(const QStringList &ports)
{
    m_ports->setStringList(ports);
}

PortSettingsChoice TSetportForm::choice() const
{
    return {m_ui->comport->currentText(),  m_ui->databits->currentText(), m_ui->baudrate->currentText(),
            m_ui->parity->currentText(),   m_ui->stopbits->currentText(), m_ui->terminator->currentText()};
}

void TSetportForm::showChoice(const PortSettingsChoice &choice)
{
    select(m_ui->comport, choice.comport);
    select(m_ui->databits, choice.databits);
    select(m_ui->baudrate, choice.baudrate);
    select(m_ui->parity, choice.parity);
    select(m_ui->stopbits, choice.stopbits);
    select(m_ui->terminator, choice.terminator);
    if (m_ui->terminator->currentIndex() < 0)
        m_ui->terminator->setEditText(choice.terminator);
}

bool TSetportForm::execFor(TComPort &port, const QWidget *centreOn)
{
    m_confirmed = false;
    showChoice(PortSettings::current(port));
    m_ui->comport->setFocus();
    if (centreOn) {
        adjustSize();
        move(centreOn->geometry().center() - rect().center());
    }
    exec();
    if (!m_confirmed)
        return false;
    // The choice was validated when "OK" was accepted, so this only closes, reconfigures and reopens.
    if (const auto refusal = PortSettings::apply(port, choice())) {
        uzenet(refusal->message);
        return false;
    }
    return true;
}

void TSetportForm::accept()
{
    if (const auto refusal = PortSettings::validate(choice())) {
        uzenet(refusal->message);
        if (auto *field = findChild<QWidget *>(refusal->field))
            field->setFocus();
        return;
    }
    m_confirmed = true;
    QDialog::accept();
}
