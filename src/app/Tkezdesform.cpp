#include "Tkezdesform.h"

#include "ui_Tkezdesform.h"

#include "Config.h"
#include "DatabaseWorker.h"
#include "Listatoltes.h"
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
#include "WeighingMoment.h"
#include "WorkerCall.h"

#include <QComboBox>
#include <QLineEdit>
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
    m_recalledTare.clear();
    m_scale->followScale();
    m_ui->rendszamtorol->setEnabled(false);
    m_ui->termektorol->setEnabled(false);
    m_ui->ugyfeltorol->setEnabled(false);
    struct Lists {
        QStringList plates, carriers, products, packagings, customers;
    };
    const auto read = [](QSqlDatabase db) {
        const auto values = [&db](const char *table, const char *field) {
            return distinctColumnValues(db, QLatin1String(table), QLatin1String(field));
        };
        return Lists{values("szallito", "rendszam"), values("szallito", "nev"), values("termek", "nev"),
                     values("termek", "kiszereles"), values("ugyfel", "nev")};
    };
    // The window opens at once; its lists follow when read, and recording waits for them.
    WorkerCall::then(m_kelvo->worker()->run(read), this, [this](const Lists &lists) {
        fillList(m_ui->rendszam, lists.plates);
        fillList(m_ui->nev, lists.carriers);
        fillList(m_ui->termeknev, lists.products);
        fillList(m_ui->kiszereles, lists.packagings);
        fillList(m_ui->ugyfelnev, lists.customers);
    }, busy());
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
}

std::shared_ptr<WorkerCall::Busy> Tkezdesform::busy()
{
    return std::make_shared<WorkerCall::Busy>(
        this, QList<QWidget *>{m_ui->Button1, m_ui->Button7, m_ui->Button3, m_ui->Button5,
                               m_ui->Button9, m_ui->rendszamtorol, m_ui->termektorol, m_ui->ugyfeltorol,
                               m_ui->tarament, m_ui->tarabe});
}

template <typename F, typename Apply>
void Tkezdesform::lookUp(int &generation, F read, Apply apply)
{
    // Typing never waits: while the database is away the fields are not filled; only the answer to the newest
    // text is shown, and a failed look-up shows nothing.
    const int mine = ++generation;
    DatabaseWorker *worker = m_kelvo ? m_kelvo->worker() : nullptr;
    if (!worker || !worker->online())
        return;
    WorkerCall::then(worker->run(std::move(read)), this,
                     [this, &generation, mine, typed = typedTexts(), apply = std::move(apply)](const auto &found) {
                         if (mine != generation)
                             return;
                         m_typedBefore = typed;
                         apply(found);
                         m_typedBefore.clear();
                     },
                     {}, [](const std::exception &) {});
}

QHash<QObject *, QString> Tkezdesform::typedTexts() const
{
    QHash<QObject *, QString> texts;
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        texts.insert(edit, edit->text());
    return texts;
}

void Tkezdesform::fill(QLineEdit *edit, const QString &text)
{
    // An answer that comes late never overwrites what the operator typed while it was on its way.
    if (m_typedBefore.contains(edit) && m_typedBefore.value(edit) != edit->text())
        return;
    edit->setText(text);
    m_typedBefore.insert(edit, edit->text());
}

void Tkezdesform::fill(QComboBox *box, const QString &text)
{
    if (m_typedBefore.contains(box->lineEdit()) && m_typedBefore.value(box->lineEdit()) != box->currentText())
        return;
    box->setEditText(text);
    m_typedBefore.insert(box->lineEdit(), box->currentText());
}

void Tkezdesform::rendszamChange()
{
    const QString plate = m_ui->rendszam->currentText();
    struct Found {
        std::optional<MasterData::Vehicle> vehicle;
        std::optional<InProgress::Row> inProgress;
    };
    lookUp(m_plateLookups,
           [plate](QSqlDatabase db) { return Found{MasterData::vehicleByPlate(db, plate), InProgress::find(db, plate)}; },
           [this](const Found &found) { showVehicle(found.vehicle, found.inProgress); });
}

void Tkezdesform::showVehicle(const std::optional<MasterData::Vehicle> &vehicle,
                              const std::optional<InProgress::Row> &inProgress)
{
    // Filling the dependent boxes must not run their own change handlers.
    const QSignalBlocker b1(m_ui->nev), b2(m_ui->termeknev), b3(m_ui->ugyfelnev), b4(m_ui->kiszereles);
    m_vehicleRow = vehicle ? vehicle->rowId : 0;
    fill(m_ui->nev, vehicle ? vehicle->nev : QString());
    fill(m_ui->cim1, vehicle ? vehicle->cim1 : QString());
    fill(m_ui->cim2, vehicle ? vehicle->cim2 : QString());
    fill(m_ui->cim3, vehicle ? vehicle->cim3 : QString());
    m_ui->rendszamtorol->setEnabled(vehicle.has_value());

    QPalette palette = m_ui->rendszam->palette();
    palette.setColor(QPalette::Base, inProgress ? QPalette().color(QPalette::ToolTipBase) : QPalette().color(QPalette::Base));
    m_ui->rendszam->setPalette(palette);
    if (!inProgress)
        return;
    fill(m_ui->nev, inProgress->cegnev);
    fill(m_ui->cim1, inProgress->cim1);
    fill(m_ui->cim2, inProgress->cim2);
    fill(m_ui->cim3, inProgress->cim3);
    fill(m_ui->termeknev, inProgress->termeknev);
    fill(m_ui->termekkod, inProgress->termekkod);
    fill(m_ui->kiszereles, inProgress->kiszereles);
    fill(m_ui->ugyfelnev, inProgress->ugyfelnev);
    fill(m_ui->ugyfelcim1, inProgress->ugyfelcim1);
    fill(m_ui->ugyfelcim2, inProgress->ugyfelcim2);
    fill(m_ui->ugyfelcim3, inProgress->ugyfelcim3);
    fill(m_ui->egysegar, ertekszoveg(inProgress->egysegar));
}

void Tkezdesform::nevChange()
{
    const QString name = m_ui->nev->currentText();
    lookUp(m_carrierLookups, [name](QSqlDatabase db) { return MasterData::vehicleByName(db, name); },
           [this](const std::optional<MasterData::Vehicle> &vehicle) {
               fill(m_ui->cim1, vehicle ? vehicle->cim1 : QString());
               fill(m_ui->cim2, vehicle ? vehicle->cim2 : QString());
               fill(m_ui->cim3, vehicle ? vehicle->cim3 : QString());
           });
}

void Tkezdesform::termeknevChange()
{
    const QString name = m_ui->termeknev->currentText();
    lookUp(m_productLookups, [name](QSqlDatabase db) { return MasterData::product(db, name); },
           [this](const std::optional<MasterData::Product> &product) {
               m_productRow = product ? product->rowId : 0;
               const QSignalBlocker blocker(m_ui->kiszereles);
               fill(m_ui->termekkod, product ? product->kod : QString());
               fill(m_ui->kiszereles, product ? product->kiszereles : QString());
               fill(m_ui->egysegar, product ? ertekszoveg(product->egysegar) : QStringLiteral("0"));
               m_ui->termektorol->setEnabled(product.has_value());
           });
}

void Tkezdesform::ugyfelnevChange()
{
    const QString name = m_ui->ugyfelnev->currentText();
    lookUp(m_customerLookups, [name](QSqlDatabase db) { return MasterData::customer(db, name); },
           [this](const std::optional<MasterData::Customer> &customer) {
               m_customerRow = customer ? customer->rowId : 0;
               fill(m_ui->ugyfelcim1, customer ? customer->cim1 : QString());
               fill(m_ui->ugyfelcim2, customer ? customer->cim2 : QString());
               fill(m_ui->ugyfelcim3, customer ? customer->cim3 : QString());
               m_ui->ugyfeltorol->setEnabled(customer.has_value());
           });
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
    const MasterData::Vehicle vehicle{0, plate, m_ui->nev->currentText(), m_ui->cim1->text(), m_ui->cim2->text(),
                                      m_ui->cim3->text(), {}, {}};
    change([vehicle](QSqlDatabase db) { MasterData::saveVehicle(db, vehicle); }, [this, plate] {
        addIfAbsent(m_ui->rendszam, plate);
        rendszamChange();
        m_kelvo->flashSaved(this);
    });
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
    const MasterData::Product product{0, name, m_ui->termekkod->text(), m_ui->kiszereles->currentText(),
                                      m_ui->egysegar->value().value_or(0)};
    change([product](QSqlDatabase db) { MasterData::saveProduct(db, product); }, [this, name] {
        addIfAbsent(m_ui->termeknev, name);
        termeknevChange();
        m_kelvo->flashSaved(this);
    });
}

void Tkezdesform::saveCustomer()
{
    const QString name = m_ui->ugyfelnev->currentText();
    if (name.isEmpty()) {
        uzenet(QString::fromUtf8(kVehicleNameRequired));
        m_ui->ugyfelnev->setFocus();
        return;
    }
    const MasterData::Customer customer{0, name, m_ui->ugyfelcim1->text(), m_ui->ugyfelcim2->text(),
                                        m_ui->ugyfelcim3->text()};
    change([customer](QSqlDatabase db) { MasterData::saveCustomer(db, customer); }, [this, name] {
        addIfAbsent(m_ui->ugyfelnev, name);
        ugyfelnevChange();
        m_kelvo->flashSaved(this);
    });
}

void Tkezdesform::deleteRow(const char *table, qint64 rowId, QComboBox *box, void (Tkezdesform::*changed)())
{
    if (rowId == 0)
        return;
    const QString shown = box->currentText();
    change([table, rowId, shown](QSqlDatabase db) { MasterData::remove(db, table, rowId, shown); },
           [this, box, changed] {
               removeSelected(box);
               (this->*changed)();
           });
}

void Tkezdesform::deleteVehicle()
{
    deleteRow("szallito", m_vehicleRow, m_ui->rendszam, &Tkezdesform::rendszamChange);
}

void Tkezdesform::deleteProduct()
{
    deleteRow("termek", m_productRow, m_ui->termeknev, &Tkezdesform::termeknevChange);
}

void Tkezdesform::deleteCustomer()
{
    deleteRow("ugyfel", m_customerRow, m_ui->ugyfelnev, &Tkezdesform::ugyfelnevChange);
}

void Tkezdesform::change(std::function<void(QSqlDatabase)> work, std::function<void()> done)
{
    WorkerCall::then(m_kelvo->worker()->run(std::move(work)), this, std::move(done), busy());
}

void Tkezdesform::kezisulyClick()
{
    FieldHelpers::manualWeightClicked(m_ui->kezisuly, m_ui->suly1);
}

void Tkezdesform::saveTare()
{
    FieldHelpers::saveTare(*m_kelvo->worker(), this, m_ui->rendszam->currentText(), *m_scale, m_ui->suly1,
                           kTareNeedsVehicle);
}

void Tkezdesform::recallTare()
{
    FieldHelpers::recallTare(*m_kelvo->worker(), this, m_ui->rendszam->currentText(),
                             int(m_kelvo->config()->integer(Keys::taralejar)), m_ui->kezisuly, m_ui->suly1,
                             [this](const QString &text) { m_recalledTare = text; });
}

void Tkezdesform::record(int irany)
{
    // One store at a time: its pictures or its command are still under way.
    if (!m_storing.expired())
        return;
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
    // Busy from now: the pictures are taken before the store runs, and a second store meanwhile would be a second
    // first weighing of the same truck.
    const auto storing = busy();
    m_storing = storing;
    WeighingMoment::aboutToStore(*m_kelvo, this, std::move(in),
                                 [this, storing](const FirstWeighing::Input &ready) { store(ready, storing); });
}

void Tkezdesform::store(const FirstWeighing::Input &in, std::shared_ptr<WorkerCall::Busy> storing)
{
    DatabaseWorker *worker = m_kelvo->worker();
    const qint64 maxsuly = m_kelvo->settings().maxsuly;
    const auto record = [worker, in, maxsuly](QSqlDatabase db) {
        const auto ask = [worker] {
            return worker->askOwner<OverwriteAnswer>([] { return feluliraskerdes(); }, OverwriteAnswer::Cancel);
        };
        return FirstWeighing::record(db, in, maxsuly, ask, QDateTime::currentDateTime());
    };
    WorkerCall::then(worker->run(record), this, [this](const FirstWeighing::Outcome &outcome) {
        switch (outcome.status) {
        case FirstWeighing::Outcome::Status::Refused:
            uzenet(outcome.refusal.message);
            focusField(outcome.refusal.field);
            return;
        case FirstWeighing::Outcome::Status::Cancelled:
            return;
        case FirstWeighing::Outcome::Status::Saved:
            m_kelvo->flashSaved(this);
            m_kelvo->weighingStored(false);
            accept();
            return;
        }
    }, storing);
}

void Tkezdesform::done(int result)
{
    // Closed while the truck is being stored, it would leave the operator guessing whether it was.
    if (result == Rejected && !m_storing.expired())
        return;
    QDialog::done(result);
}
