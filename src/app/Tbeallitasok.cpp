#include "Tbeallitasok.h"

#include "ui_Tbeallitasok.h"

#include "CameraPage.h"
#include "GatePage.h"
#include "TicketSettings.h"
#include "WeightLink.h"
#include "WindowHelpers.h"

#include <QKeyEvent>
#include <QTabBar>
#include <QMouseEvent>

#include <algorithm>

namespace {

constexpr int kWordFileMode = 4;

// A radio group's buttons are named after the group with "_0", "_1", ...
int checkedIndex(const QWidget *group)
{
    for (int i = 0;; ++i) {
        const auto *item = group->findChild<QRadioButton *>(group->objectName() + QLatin1Char('_') + QString::number(i));
        if (!item)
            return 0;
        if (item->isChecked())
            return i;
    }
}

} // namespace

Tbeallitasok::Tbeallitasok(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tbeallitasok>())
{
    m_ui->setupUi(this);
    // The device pages follow the scale link's page.
    m_gatePage = new GatePage(m_ui->PageControl1);
    m_ui->PageControl1->insertTab(m_ui->PageControl1->indexOf(m_ui->pKapcsolat) + 1, m_gatePage,
                                  QStringLiteral("Kapu"));
    m_gatePage->setEditable(false);
    m_cameraPage = new CameraPage(m_ui->PageControl1);
    m_ui->PageControl1->insertTab(m_ui->PageControl1->indexOf(m_gatePage) + 1, m_cameraPage,
                                  QStringLiteral("Kamerák"));
    m_cameraPage->setEditable(false);
    // Wide enough for every tab's caption: a tab hidden behind scroll arrows is a setting nobody finds.
    const int tabsWidth = m_ui->PageControl1->findChild<QTabBar *>()->sizeHint().width();
    setFixedSize(sizeHint().expandedTo(QSize(std::max(401, tabsWidth + 2 * layout()->contentsMargins().left() + 8), 434)));
    connect(m_ui->Button1, &QPushButton::clicked, this, &Tbeallitasok::okRequested);
    connect(m_ui->Button2, &QPushButton::clicked, this, &Tbeallitasok::cancelRequested);
    connect(m_ui->Button3, &QPushButton::clicked, this, &Tbeallitasok::portSettingsRequested);
    connect(m_ui->Button4, &QPushButton::clicked, this, &Tbeallitasok::passwordChangeRequested);
    connect(m_ui->Button6, &QPushButton::clicked, this, &Tbeallitasok::portListRequested);
    connect(m_ui->CheckBox1, &QCheckBox::clicked, this, [this](bool ticked) {
        m_ui->Button3->setEnabled(ticked);
        for (QWidget *w : {static_cast<QWidget *>(m_ui->orden), static_cast<QWidget *>(m_ui->bilanciai),
                           static_cast<QWidget *>(m_ui->lekerdez), static_cast<QWidget *>(m_ui->stabilkell)})
            w->setEnabled(m_ui->Button3->isEnabled());
        m_gatePage->setEditable(ticked);
        m_cameraPage->setEditable(ticked);
    });
    for (int i = 0; i <= kWordFileMode; ++i) {
        auto *item = findChild<QRadioButton *>(QStringLiteral("hogynyomtat_%1").arg(i));
        connect(item, &QRadioButton::clicked, this, &Tbeallitasok::applyPrintModeRule);
    }
    m_ui->adatbazismappa->installEventFilter(this);
    m_ui->inifile->installEventFilter(this);
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
    return checkedIndex(m_ui->hogynyomtat);
}

void Tbeallitasok::setPrintMode(int mode)
{
    if (auto *item = findChild<QRadioButton *>(QStringLiteral("hogynyomtat_%1").arg(mode)))
        item->setChecked(true);
}

int Tbeallitasok::backupMode() const
{
    return checkedIndex(m_ui->autobackup);
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

void Tbeallitasok::setConnectionPageVisible(bool visible)
{
    m_ui->PageControl1->setTabVisible(m_ui->PageControl1->indexOf(m_ui->pKapcsolat), visible);
    m_ui->PageControl1->setTabVisible(m_ui->PageControl1->indexOf(m_gatePage), visible);
    m_ui->PageControl1->setTabVisible(m_ui->PageControl1->indexOf(m_cameraPage), visible);
}

void Tbeallitasok::showConnectionPage()
{
    QTabWidget *pages = m_ui->PageControl1;
    if (pages->isTabVisible(pages->indexOf(m_ui->pKapcsolat)))
        pages->setCurrentWidget(m_ui->pKapcsolat);
}

void Tbeallitasok::applyPrintModeRule()
{
    m_ui->Label7->setEnabled(printMode() != kWordFileMode);
    m_ui->sablonfile->setEnabled(m_ui->Label7->isEnabled());
    m_ui->evelojelch->setEnabled(m_ui->Label7->isEnabled());
}

bool Tbeallitasok::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && (mouse->modifiers().testFlag(Qt::AltModifier) || altlenyomva())) {
            if (watched == m_ui->adatbazismappa)
                emit databaseFolderRequested();
            else if (watched == m_ui->inifile)
                emit iniFileRequested();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Tbeallitasok::keyPressEvent(QKeyEvent *event)
{
    // Escape is "Mégse", which reloads the values; QDialog would only hide the dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_ui->Button2->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
