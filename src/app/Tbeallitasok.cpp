#include "Tbeallitasok.h"

#include "ui_Tbeallitasok.h"

#include "TicketSettings.h"
#include "WeightLink.h"

Tbeallitasok::Tbeallitasok(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tbeallitasok>())
{
    m_ui->setupUi(this);
    connect(m_ui->Button3, &QPushButton::clicked, this, &Tbeallitasok::portSettingsRequested);
}

Tbeallitasok::~Tbeallitasok() = default;

QStringList Tbeallitasok::companyLines() const
{
    const QString text = m_ui->sajatceg->toPlainText();
    return text.isEmpty() ? QStringList{} : text.split(QLatin1Char('\n'));
}

void Tbeallitasok::setCompanyLines(const QStringList &lines)
{
    m_ui->sajatceg->setPlainText(lines.join(QLatin1Char('\n')));
}

int Tbeallitasok::printMode() const
{
    for (int i = 0;; ++i) {
        const auto *item = findChild<QRadioButton *>(QStringLiteral("hogynyomtat_%1").arg(i));
        if (!item)
            return 0;
        if (item->isChecked())
            return i;
    }
}

QStringList Tbeallitasok::templateNames() const
{
    QStringList names;
    for (int i = 0; i < m_ui->sablonfile->count(); ++i)
        names.append(m_ui->sablonfile->itemText(i));
    return names;
}

void Tbeallitasok::setTemplateNames(const QStringList &names)
{
    m_ui->sablonfile->clear();
    m_ui->sablonfile->addItems(names);
}

QString Tbeallitasok::selectedTemplate() const
{
    return m_ui->sablonfile->currentText();
}

void Tbeallitasok::selectTemplate(const QString &name)
{
    m_ui->sablonfile->setCurrentIndex(m_ui->sablonfile->findText(name, Qt::MatchFixedString));
}

QDate Tbeallitasok::calibrationDate() const
{
    return m_ui->hit_date->date();
}

void Tbeallitasok::fillTicketSettings(TicketSettings &settings) const
{
    settings.printMode = static_cast<PrintMode>(printMode());
    settings.be1 = m_ui->be1->text();
    settings.be2 = m_ui->be2->text();
    settings.ki1 = m_ui->ki1->text();
    settings.ki2 = m_ui->ki2->text();
    settings.companyLines = companyLines();
}

WeightServer Tbeallitasok::weightServer() const
{
    return WeightServer{m_ui->sulylekerdez->isChecked(), m_ui->hostip->text(), m_ui->hostport->text()};
}
