#include "Tkezdesform.h"

#include "ui_Tkezdesform.h"

#include "Config.h"
#include "Database.h"
#include "FieldHelpers.h"
#include "FirstWeighing.h"
#include "InProgress.h"
#include "Kelvo.h"
#include "WeightLink.h"
#include "MasterData.h"
#include "MessageBoxes.h"
#include "Seged.h"
#include "ScaleWeightField.h"
#include "SlotGuard.h"
#include "WeighingWindowOptions.h"
#include "WindowHelpers.h"

#include <QComboBox>
#include <QPalette>

namespace {

constexpr char kTareNeedsVehicle[] = "Tárasúlyt csak felvett rendszámhoz rendelhet !";
constexpr char kVehiclePlateRequired[] = "A rendszám megadása kötelező !";
constexpr char kVehicleNameRequired[] = "A Név megadása kötelező !";
constexpr char kProductNameRequired[] = "Név megadása kötelező !";

void addIfAbsent(QComboBox *box, const QString &text)
{
    if (box->findText(text, Qt::MatchFixedString) < 0)
        box->addItem(text);
}

// Removes the chosen entry of the list, keeping whatever is typed.
void removeSelected(QComboBox *box)
{
    const int index = box->findText(box->currentText(), Qt::MatchFixedString);
    if (index >= 0)
        box->removeItem(index);
}

} // namespace

Tkezdesform::Tkezdesform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tkezdesform>())
{
    m_ui->setupUi(this);
    m_scale = std::make_unique<ScaleWeightField>(m_ui->kezisuly, m_ui->suly1);
    m_ui->rendszam->lineEdit()->setMaxLength(20);
    m_ui->nev->lineEdit()->setMaxLength(60);
    m_ui->ugyfelnev->lineEdit()->setMaxLength(60);
    m_ui->termeknev->lineEdit()->setMaxLength(60);
    m_ui->kiszereles->lineEdit()->setMaxLength(30);
    QFont big = m_ui->suly1->font();
    big.setPointSize(big.pointSize() * 2);
    m_ui->suly1->setFont(big);
    // Enter records nothing here: the direction is chosen by the button pressed, never by a key meant to accept a
    // completion.
    m_ui->Button2->setAutoDefault(false);
}

Tkezdesform::~Tkezdesform() = default;

void Tkezdesform::attach(Kelvo *kelvo)
{
    m_kelvo = kelvo;
    FieldHelpers::forceUpperCase(m_ui->rendszam);
    connect(m_ui->rendszam, &QComboBox::editTextChanged, this, guarded(this, &Tkezdesform::rendszamChange));
    connect(m_ui->nev, &QComboBox::editTextChanged, this, guarded(this, &Tkezdesform::nevChange));
    connect(m_ui->termeknev, &QComboBox::editTextChanged, this, guarded(this, &Tkezdesform::termeknevChange));
    connect(m_ui->ugyfelnev, &QComboBox::editTextChanged, this, guarded(this, &Tkezdesform::ugyfelnevChange));
    connect(m_ui->Button3, &QPushButton::clicked, this, guarded(this, &Tkezdesform::saveVehicle));
    connect(m_ui->Button5, &QPushButton::clicked, this, guarded(this, &Tkezdesform::saveProduct));
    connect(m_ui->Button9, &QPushButton::clicked, this, guarded(this, &Tkezdesform::saveCustomer));
    connect(m_ui->rendszamtorol, &QPushButton::clicked, this, guarded(this, &Tkezdesform::deleteVehicle));
    connect(m_ui->termektorol, &QPushButton::clicked, this, guarded(this, &Tkezdesform::deleteProduct));
    connect(m_ui->ugyfeltorol, &QPushButton::clicked, this, guarded(this, &Tkezdesform::deleteCustomer));
    connect(m_ui->kezisuly, &QCheckBox::clicked, this, &Tkezdesform::kezisulyClick);
    connect(m_ui->tarament, &QPushButton::clicked, this, guarded(this, &Tkezdesform::saveTare));
    connect(m_ui->tarabe, &QPushButton::clicked, this, guarded(this, &Tkezdesform::recallTare));
    connect(m_ui->Button1, &QPushButton::clicked, this, guarded([this] { record(0); }));
    connect(m_ui->Button7, &QPushButton::clicked, this, guarded([this] { record(1); }));
    connect(m_ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->ewcbtn, &QPushButton::clicked, this, &Tkezdesform::ewcRequested);
}

void Tkezdesform::applyOptions(const WeighingWindowOptions &options)
{
    m_ui->kezisuly->setEnabled(options.manualWeight);
    m_ui->tarabe->setEnabled(options.manualWeight);
    m_ui->tarament->setVisible(options.tareButtons);
    m_ui->tarabe->setVisible(options.tareButtons);
    m_ui->ewcbtn->setVisible(options.ewcButton);
    m_ui->Label12->setVisible(options.unitPrice);
    m_ui->egysegar->setVisible(options.unitPrice);
}

void Tkezdesform::setProductCode(const QString &code)
{
    m_ui->termekkod->setText(code);
}

void Tkezdesform::prepare()
{
    homokora(true);
    m_recalledTare.clear();
    m_scale->followScale();
    Database *database = m_kelvo->database();
    for (const char *table : {"szallito", "termek", "ugyfel", "folyamatban"})
        database->refresh(QLatin1String(table));
    m_ui->rendszamtorol->setEnabled(false);
    m_ui->termektorol->setEnabled(false);
    m_ui->ugyfeltorol->setEnabled(false);
    const QSqlDatabase db = database->db();
    listatoltes(m_ui->rendszam, db, QStringLiteral("szallito"), QStringLiteral("rendszam"));
    listatoltes(m_ui->nev, db, QStringLiteral("szallito"), QStringLiteral("nev"));
    listatoltes(m_ui->termeknev, db, QStringLiteral("termek"), QStringLiteral("nev"));
    listatoltes(m_ui->kiszereles, db, QStringLiteral("termek"), QStringLiteral("kiszereles"));
    listatoltes(m_ui->ugyfelnev, db, QStringLiteral("ugyfel"), QStringLiteral("nev"));
    // A pinned section keeps the values of the previous transport.
    if (!m_ui->rog_szallito->isChecked()) {
        m_ui->rendszam->setEditText(QString());
        rendszamChange();
    }
    if (!m_ui->rog_termek->isChecked()) {
        m_ui->termeknev->setEditText(QString());
        termeknevChange();
    }
    if (!m_ui->rog_ugyfel->isChecked()) {
        m_ui->ugyfelnev->setEditText(QString());
        ugyfelnevChange();
    }
    homokora(false);
}

void Tkezdesform::rendszamChange()
{
    if (!m_kelvo || !m_kelvo->database())
        return;
    const QSqlDatabase db = m_kelvo->database()->db();
    const QString plate = m_ui->rendszam->currentText();
    // Filling the dependent boxes must not run their own change handlers.
    const QSignalBlocker b1(m_ui->nev), b2(m_ui->termeknev), b3(m_ui->ugyfelnev), b4(m_ui->kiszereles);
    const auto vehicle = MasterData::vehicleByPlate(db, plate);
    m_vehicleRow = vehicle ? vehicle->rowId : 0;
    m_ui->nev->setEditText(vehicle ? vehicle->nev : QString());
    m_ui->cim1->setText(vehicle ? vehicle->cim1 : QString());
    m_ui->cim2->setText(vehicle ? vehicle->cim2 : QString());
    m_ui->cim3->setText(vehicle ? vehicle->cim3 : QString());
    m_ui->rendszamtorol->setEnabled(vehicle.has_value());

    const auto inProgress = InProgress::find(db, plate);
    QPalette palette = m_ui->rendszam->palette();
    palette.setColor(QPalette::Base, inProgress ? QPalette().color(QPalette::ToolTipBase) : QPalette().color(QPalette::Base));
    m_ui->rendszam->setPalette(palette);
    if (!inProgress)
        return;
    m_ui->nev->setEditText(inProgress->cegnev);
    m_ui->cim1->setText(inProgress->cim1);
    m_ui->cim2->setText(inProgress->cim2);
    m_ui->cim3->setText(inProgress->cim3);
    m_ui->termeknev->setEditText(inProgress->termeknev);
    m_ui->termekkod->setText(inProgress->termekkod);
    m_ui->kiszereles->setEditText(inProgress->kiszereles);
    m_ui->ugyfelnev->setEditText(inProgress->ugyfelnev);
    m_ui->ugyfelcim1->setText(inProgress->ugyfelcim1);
    m_ui->ugyfelcim2->setText(inProgress->ugyfelcim2);
    m_ui->ugyfelcim3->setText(inProgress->ugyfelcim3);
    m_ui->egysegar->setText(ertekszoveg(inProgress->egysegar));
}

void Tkezdesform::nevChange()
{
    if (!m_kelvo || !m_kelvo->database())
        return;
    const auto vehicle = MasterData::vehicleByName(m_kelvo->database()->db(), m_ui->nev->currentText());
    m_ui->cim1->setText(vehicle ? vehicle->cim1 : QString());
    m_ui->cim2->setText(vehicle ? vehicle->cim2 : QString());
    m_ui->cim3->setText(vehicle ? vehicle->cim3 : QString());
}

void Tkezdesform::termeknevChange()
{
    if (!m_kelvo || !m_kelvo->database())
        return;
    const auto product = MasterData::product(m_kelvo->database()->db(), m_ui->termeknev->currentText());
    m_productRow = product ? product->rowId : 0;
    const QSignalBlocker blocker(m_ui->kiszereles);
    m_ui->termekkod->setText(product ? product->kod : QString());
    m_ui->kiszereles->setEditText(product ? product->kiszereles : QString());
    m_ui->egysegar->setText(product ? ertekszoveg(product->egysegar) : QStringLiteral("0"));
    m_ui->termektorol->setEnabled(product.has_value());
}

void Tkezdesform::ugyfelnevChange()
{
    if (!m_kelvo || !m_kelvo->database())
        return;
    const auto customer = MasterData::customer(m_kelvo->database()->db(), m_ui->ugyfelnev->currentText());
    m_customerRow = customer ? customer->rowId : 0;
    m_ui->ugyfelcim1->setText(customer ? customer->cim1 : QString());
    m_ui->ugyfelcim2->setText(customer ? customer->cim2 : QString());
    m_ui->ugyfelcim3->setText(customer ? customer->cim3 : QString());
    m_ui->ugyfeltorol->setEnabled(customer.has_value());
}

void Tkezdesform::focusField(const QString &name)
{
    if (name.isEmpty())
        return;
    if (auto *w = findChild<QWidget *>(name))
        w->setFocus();
}

void Tkezdesform::saveVehicle()
{
    const QString plate = m_ui->rendszam->currentText();
    if (plate.isEmpty()) {
        uzenet(QString::fromUtf8(kVehiclePlateRequired));
        m_ui->rendszam->setFocus();
        return;
    }
    if (m_ui->nev->currentText().isEmpty()) {
        uzenet(QString::fromUtf8(kVehicleNameRequired));
        m_ui->nev->setFocus();
        return;
    }
    MasterData::saveVehicle(m_kelvo->database()->db(), {0, plate, m_ui->nev->currentText(), m_ui->cim1->text(),
                                                        m_ui->cim2->text(), m_ui->cim3->text(), {}, {}});
    addIfAbsent(m_ui->rendszam, plate);
    rendszamChange();
    m_kelvo->flashSaved(this);
}

void Tkezdesform::saveProduct()
{
    const QString name = m_ui->termeknev->currentText();
    if (name.isEmpty()) {
        uzenet(QString::fromUtf8(kProductNameRequired));
        return;
    }
    if (m_ui->egysegar->text().isEmpty())
        m_ui->egysegar->setText(QStringLiteral("0"));
    MasterData::saveProduct(m_kelvo->database()->db(), {0, name, m_ui->termekkod->text(),
                                                        m_ui->kiszereles->currentText(),
                                                        m_ui->egysegar->value().value_or(0)});
    addIfAbsent(m_ui->termeknev, name);
    termeknevChange();
    m_kelvo->flashSaved(this);
}

void Tkezdesform::saveCustomer()
{
    const QString name = m_ui->ugyfelnev->currentText();
    if (name.isEmpty()) {
        uzenet(QString::fromUtf8(kVehicleNameRequired));
        m_ui->ugyfelnev->setFocus();
        return;
    }
    MasterData::saveCustomer(m_kelvo->database()->db(), {0, name, m_ui->ugyfelcim1->text(), m_ui->ugyfelcim2->text(),
                                                         m_ui->ugyfelcim3->text()});
    addIfAbsent(m_ui->ugyfelnev, name);
    ugyfelnevChange();
    m_kelvo->flashSaved(this);
}

void Tkezdesform::deleteVehicle()
{
    if (m_vehicleRow == 0)
        return;
    MasterData::remove(m_kelvo->database()->db(), "szallito", m_vehicleRow, m_ui->rendszam->currentText());
    removeSelected(m_ui->rendszam);
    rendszamChange();
}

void Tkezdesform::deleteProduct()
{
    if (m_productRow == 0)
        return;
    MasterData::remove(m_kelvo->database()->db(), "termek", m_productRow, m_ui->termeknev->currentText());
    removeSelected(m_ui->termeknev);
    termeknevChange();
}

void Tkezdesform::deleteCustomer()
{
    if (m_customerRow == 0)
        return;
    MasterData::remove(m_kelvo->database()->db(), "ugyfel", m_customerRow, m_ui->ugyfelnev->currentText());
    removeSelected(m_ui->ugyfelnev);
    ugyfelnevChange();
}

void Tkezdesform::kezisulyClick()
{
    FieldHelpers::manualWeightClicked(m_ui->kezisuly, m_ui->suly1);
}

void Tkezdesform::saveTare()
{
    FieldHelpers::saveTare(*m_kelvo->database(), m_ui->rendszam->currentText(), *m_scale, m_ui->suly1,
                           kTareNeedsVehicle);
}

void Tkezdesform::recallTare()
{
    m_recalledTare = FieldHelpers::recallTare(*m_kelvo->database(), m_ui->rendszam->currentText(),
                                            int(m_kelvo->config()->integer(Keys::taralejar)), m_ui->kezisuly,
                                            m_ui->suly1);
}

void Tkezdesform::record(int irany)
{
    FirstWeighing::Input in;
    in.rendszam = m_ui->rendszam->currentText();
    in.nev = m_ui->nev->currentText();
    in.cim1 = m_ui->cim1->text();
    in.cim2 = m_ui->cim2->text();
    in.cim3 = m_ui->cim3->text();
    in.ugyfelnev = m_ui->ugyfelnev->currentText();
    in.ugyfelcim1 = m_ui->ugyfelcim1->text();
    in.ugyfelcim2 = m_ui->ugyfelcim2->text();
    in.ugyfelcim3 = m_ui->ugyfelcim3->text();
    in.termeknev = m_ui->termeknev->currentText();
    in.termekkod = m_ui->termekkod->text();
    in.kiszereles = m_ui->kiszereles->currentText();
    if (m_ui->suly1->text().isEmpty())
        m_ui->suly1->setText(QStringLiteral("0"));
    if (m_ui->egysegar->text().isEmpty())
        m_ui->egysegar->setText(QStringLiteral("0"));
    in.egysegar = m_ui->egysegar->text();
    in.suly1 = m_ui->suly1->text();
    in.irany = irany;
    in.kezi = m_ui->kezisuly->isChecked();
    in.weightLive = m_scale->usable();
    in.origin = FieldHelpers::weightOrigin(m_ui->kezisuly, m_ui->suly1, m_recalledTare);
    in.scaleRefusal = in.origin != WeightOrigin::Scale
                          ? QString()
                          : m_kelvo->weightLink()->refusalToTake(m_kelvo->settings().stabilkell);

    homokora(true);
    const auto outcome = FirstWeighing::record(m_kelvo->database()->db(), in, m_kelvo->settings().maxsuly,
                                               [] {
                                                   homokora(false);
                                                   return feluliraskerdes();
                                               },
                                               QDateTime::currentDateTime());
    homokora(false);
    switch (outcome.status) {
    case FirstWeighing::Outcome::Status::Refused:
        uzenet(outcome.refusal.message);
        focusField(outcome.refusal.field);
        return;
    case FirstWeighing::Outcome::Status::Cancelled:
        return;
    case FirstWeighing::Outcome::Status::Saved:
        m_kelvo->flashSaved(this);
        accept();
        return;
    }
}
