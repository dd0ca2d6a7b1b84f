#include "Tnyomtatasismetel.h"

#include "ui_Tnyomtatasismetel.h"

#include "MessageBoxes.h"
#include "WorkerCall.h"

#include <QRadioButton>

Tnyomtatasismetel::Tnyomtatasismetel(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tnyomtatasismetel>())
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    connect(m_ui->Nyomtat, &QPushButton::clicked, this, &Tnyomtatasismetel::printTicket);
    connect(m_ui->Megse, &QPushButton::clicked, this, &QDialog::reject);
}

Tnyomtatasismetel::~Tnyomtatasismetel() = default;

void Tnyomtatasismetel::setActions(Exists exists, Print print)
{
    m_exists = std::move(exists);
    m_print = std::move(print);
}

QRadioButton *Tnyomtatasismetel::modeButton(int mode) const
{
    return findChild<QRadioButton *>(QStringLiteral("nyommod_%1").arg(mode));
}

void Tnyomtatasismetel::prepare(int mode, qint64 lastSerial, bool wordProcessorInstalled, QWidget *over)
{
    m_over = over;
    if (QRadioButton *button = modeButton(mode))
        button->setChecked(true);
    m_ui->NumEdit1->setText(QString::number(lastSerial));
    m_ui->nyommod_4->setEnabled(wordProcessorInstalled);
}

int Tnyomtatasismetel::chosenMode() const
{
    for (int mode = 0; mode <= 4; ++mode) {
        if (modeButton(mode)->isChecked())
            return mode;
    }
    return 0;
}

void Tnyomtatasismetel::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QWidget *over = m_over ? m_over.data() : parentWidget())
        move(over->window()->frameGeometry().center() - rect().center());
    m_ui->NumEdit1->setFocus();
    m_ui->NumEdit1->selectAll();
}

void Tnyomtatasismetel::printTicket()
{
    const QString text = m_ui->NumEdit1->text().trimmed();
    if (text.isEmpty())
        return;
    const qint64 serial = text.toLongLong();
    if (!m_exists || WorkerCall::Busy::running(this))
        return;
    const int mode = chosenMode();
    WorkerCall::then(m_exists(serial), this, [this, serial, mode](bool found) {
        if (!found) {
            uzenet(QStringLiteral("Nincs ilyen sorszámú mérlegjegy !"));
            m_ui->NumEdit1->setFocus();
            return;
        }
        // The ticket is printed once the dialog is gone, so that a printer dialog or preview is not stacked on it.
        accept();
        if (m_print)
            m_print(serial, mode);
    }, std::make_shared<WorkerCall::Busy>(this, QList<QWidget *>{m_ui->Nyomtat, m_ui->Megse}));
}
