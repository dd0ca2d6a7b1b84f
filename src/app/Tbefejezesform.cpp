#include "Tbefejezesform.h"

#include "ui_Tbefejezesform.h"

#include "Config.h"
#include "DatabaseWorker.h"
#include "Listatoltes.h"
#include "FieldHelpers.h"
#include "Finishing.h"
#include "FirstWeighing.h"
#include "Formats.h"
#include "InProgress.h"
#include "Kelvo.h"
#include "WeightLink.h"
#include "MasterData.h"
#include "MessageBoxes.h"
#include "Seged.h"
#include "ScaleWeightField.h"
#include "SlotGuard.h"
#include "TNumEdit.h"
#include "WeighingWindowOptions.h"
#include "WindowHelpers.h"
#include "WeighingMoment.h"
#include "WorkerCall.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

namespace {

constexpr char kNothingInProgress[] = "Jelenleg egy szállítás sincs megkezdve !";
constexpr char kTareNeedsVehicle[] = "Társúlyt csak rögzített rendszámhoz rendelhet !";
constexpr char kWarehouseRequired[] = "A Raktárnév megadása kötelező !";
constexpr char kWarehouseExists[] = "Ez a Raktár már szerepel a listában !";

} // namespace

Tbefejezesform::Tbefejezesform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tbefejezesform>())
{
    m_ui->setupUi(this);
    m_scale = std::make_unique<ScaleWeightField>(m_ui->kezisuly, m_ui->suly2);
    m_ui->rendszam->lineEdit()->setMaxLength(20);
    m_ui->raktar->lineEdit()->setMaxLength(35);
    m_ui->ugyirat->lineEdit()->setMaxLength(30);
    m_ui->megjegyzes->lineEdit()->setMaxLength(60);
    m_ui->tablanev->lineEdit()->setMaxLength(50);
    m_ui->parcella->lineEdit()->setMaxLength(10);
    m_ui->tablasorszam->lineEdit()->setMaxLength(5);
    m_ui->tablasorszam->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_ui->tablasorszam));
    QFont big = m_ui->suly2->font();
    big.setPointSize(big.pointSize() * 2);
    m_ui->suly2->setFont(big);
    for (QWidget *w : {static_cast<QWidget *>(m_ui->tisztasag), static_cast<QWidget *>(m_ui->viztartalom),
                       static_cast<QWidget *>(m_ui->elvartviz)})
        w->installEventFilter(this);
    m_ui->Button2->setAutoDefault(false);
    m_ui->Button1->setDefault(true);
}

Tbefejezesform::~Tbefejezesform() = default;

void Tbefejezesform::attach(Kelvo *kelvo)
{
    m_kelvo = kelvo;
    FieldHelpers::forceUpperCase(m_ui->rendszam);
    FieldHelpers::forceUpperCase(m_ui->parcella);
    connect(m_ui->raktar, &QComboBox::editTextChanged, this, guarded(this, &Tbefejezesform::raktarChange));
    connect(m_ui->Button9, &QPushButton::clicked, this, guarded(this, &Tbefejezesform::addWarehouse));
    connect(m_ui->raktartorol, &QPushButton::clicked, this, guarded(this, &Tbefejezesform::deleteWarehouse));
    connect(m_ui->kezisuly, &QCheckBox::clicked, this, &Tbefejezesform::kezisulyClick);
    connect(m_ui->tarament, &QPushButton::clicked, this, guarded(this, &Tbefejezesform::saveTare));
    connect(m_ui->tarabe, &QPushButton::clicked, this, guarded(this, &Tbefejezesform::recallTare));
    connect(m_ui->Button1, &QPushButton::clicked, this, guarded(this, &Tbefejezesform::finish));
    connect(m_ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void Tbefejezesform::applyOptions(const WeighingWindowOptions &options)
{
    m_ui->tarament->setVisible(options.tareButtons);
    m_ui->tarabe->setVisible(options.tareButtons);
    m_ui->kezisuly->setEnabled(options.manualWeight);
    m_ui->tarabe->setEnabled(options.manualWeight);
}

void Tbefejezesform::applyLayout(bool deductions, bool fieldData)
{
    for (QWidget *w : {static_cast<QWidget *>(m_ui->lbl_tisztasag), static_cast<QWidget *>(m_ui->GroupBox3),
                       static_cast<QWidget *>(m_ui->lbl_viztartalom), static_cast<QWidget *>(m_ui->lbl_elvartviz),
                       static_cast<QWidget *>(m_ui->tisztasag), static_cast<QWidget *>(m_ui->viztartalom),
                       static_cast<QWidget *>(m_ui->elvartviz)})
        w->setVisible(deductions);
    if (fieldData)
        return;
    for (QWidget *w : {static_cast<QWidget *>(m_ui->lbl_tablanev), static_cast<QWidget *>(m_ui->lbl_parcella),
                       static_cast<QWidget *>(m_ui->lbl_tablasorszam), static_cast<QWidget *>(m_ui->tablanev),
                       static_cast<QWidget *>(m_ui->parcella), static_cast<QWidget *>(m_ui->tablasorszam)})
        w->setVisible(false);
}

void Tbefejezesform::prepare(const QString &selectedPlate, std::function<void(bool)> ready)
{
    m_recalledTare.clear();
    m_scale->followScale();
    struct Lists {
        qint64 inProgress = 0;
        QStringList plates, warehouses;
        QList<QStringList> entries; // megjegyzes, ugyirat, tablanev, parcella, tablasorszam
    };
    const QList<QComboBox *> entryBoxes{m_ui->megjegyzes, m_ui->ugyirat, m_ui->tablanev, m_ui->parcella,
                                        m_ui->tablasorszam};
    QStringList entryFields;
    for (QComboBox *box : entryBoxes)
        entryFields.append(box->objectName());
    const auto read = [entryFields](QSqlDatabase db) {
        Lists lists;
        lists.inProgress = InProgress::count(db);
        if (lists.inProgress == 0)
            return lists;
        lists.plates = distinctColumnValues(db, QStringLiteral("folyamatban"), QStringLiteral("rendszam"));
        for (const QString &field : entryFields)
            lists.entries.append(distinctColumnValues(db, QStringLiteral("szallitasok"), field));
        lists.warehouses = distinctColumnValues(db, QStringLiteral("raktar"), QStringLiteral("raktar"));
        return lists;
    };
    WorkerCall::then(m_kelvo->worker()->run(read), this,
                     [this, entryBoxes, selectedPlate, ready = std::move(ready)](const Lists &lists) {
                         if (lists.inProgress == 0) {
                             uzenet(QString::fromUtf8(kNothingInProgress));
                             ready(false);
                             return;
                         }
                         fillList(m_ui->rendszam, lists.plates);
                         for (int i = 0; i < entryBoxes.size(); ++i)
                             fillList(entryBoxes.at(i), lists.entries.value(i));
                         fillList(m_ui->raktar, lists.warehouses);
                         m_ui->rendszam->setEditText(m_ui->rendszam->count() == 1 ? m_ui->rendszam->itemText(0)
                                                                                  : QString());
                         if (m_ui->raktar->count() == 1)
                             m_ui->raktar->setCurrentIndex(0);
                         raktarChange();
                         m_ui->printfilename->clear();
                         m_ui->printfilename->addItems(m_kelvo->templateNames());
                         m_ui->printfilename->setCurrentIndex(
                             m_ui->printfilename->findText(m_kelvo->selectedTemplate()));
                         m_ui->printfilename->setEnabled(m_kelvo->printMode() != 4);
                         if (!selectedPlate.isEmpty())
                             m_ui->rendszam->setEditText(selectedPlate);
                         m_lastSerial = 0;
                         ready(true);
                     });
}

std::shared_ptr<WorkerCall::Busy> Tbefejezesform::busy()
{
    return std::make_shared<WorkerCall::Busy>(
        this, QList<QWidget *>{m_ui->Button1, m_ui->Button9, m_ui->raktartorol, m_ui->tarament,
                               m_ui->tarabe});
}

void Tbefejezesform::done(int result)
{
    // Closed while "Befejezés" is being stored, it would leave the operator guessing whether the ticket exists.
    if (result == Rejected && !m_storing.expired())
        return;
    QDialog::done(result);
}

void Tbefejezesform::raktarChange()
{
    DatabaseWorker *worker = m_kelvo ? m_kelvo->worker() : nullptr;
    const int mine = ++m_warehouseLookups;
    // Typing never waits: while the database is away the delete button stays as it is.
    if (!worker || !worker->online())
        return;
    const QString name = m_ui->raktar->currentText();
    WorkerCall::then(worker->run([name](QSqlDatabase db) { return MasterData::warehouse(db, name); }), this,
                     [this, mine](const std::optional<qint64> &row) {
                         if (mine != m_warehouseLookups)
                             return;
                         m_warehouseRow = row.value_or(0);
                         m_ui->raktartorol->setEnabled(row.has_value());
                     },
                     {}, [](const std::exception &) {});
}

void Tbefejezesform::addWarehouse()
{
    const QString name = m_ui->raktar->currentText();
    if (name.isEmpty()) {
        uzenet(QString::fromUtf8(kWarehouseRequired));
        m_ui->raktar->setFocus();
        return;
    }
    const auto add = [name](QSqlDatabase db) {
        if (MasterData::warehouse(db, name))
            return false;
        MasterData::addWarehouse(db, name);
        return true;
    };
    WorkerCall::then(m_kelvo->worker()->run(add), this, [this, name](bool added) {
        if (!added) {
            uzenet(QString::fromUtf8(kWarehouseExists));
            return;
        }
        if (m_ui->raktar->findText(name, Qt::MatchFixedString) < 0)
            m_ui->raktar->addItem(name);
        raktarChange();
        m_kelvo->flashSaved(this);
    }, busy());
}

void Tbefejezesform::deleteWarehouse()
{
    if (m_warehouseRow == 0)
        return;
    const qint64 row = m_warehouseRow;
    const QString name = m_ui->raktar->currentText();
    WorkerCall::then(m_kelvo->worker()->run([row, name](QSqlDatabase db) { MasterData::remove(db, "raktar", row, name); }),
                     this, [this, name] {
                         const int index = m_ui->raktar->findText(name, Qt::MatchFixedString);
                         if (index >= 0)
                             m_ui->raktar->removeItem(index);
                         raktarChange();
                     },
                     busy());
}

void Tbefejezesform::kezisulyClick()
{
    FieldHelpers::manualWeightClicked(m_ui->kezisuly, m_ui->suly2);
}

void Tbefejezesform::saveTare()
{
    FieldHelpers::saveTare(*m_kelvo->worker(), this, m_ui->rendszam->currentText(), *m_scale, m_ui->suly2,
                           kTareNeedsVehicle);
}

void Tbefejezesform::recallTare()
{
    FieldHelpers::recallTare(*m_kelvo->worker(), this, m_ui->rendszam->currentText(),
                             int(m_kelvo->config()->integer(Keys::taralejar)), m_ui->kezisuly, m_ui->suly2,
                             [this](const QString &text) { m_recalledTare = text; });
}

void Tbefejezesform::step(QWidget *field, double delta)
{
    auto *edit = static_cast<TNumEdit *>(field);
    edit->setText(Formats::number(edit->value().value_or(0) + delta));
}

bool Tbefejezesform::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<TNumEdit *>(watched);
    if (field && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            const double unit = field == m_ui->tisztasag ? 1.0 : 0.1;
            step(field, key == Qt::Key_Up ? unit : -unit);
            return true;
        }
    }
    if (field && event->type() == QEvent::FocusOut && field->text().isEmpty())
        field->setText(field == m_ui->tisztasag ? QStringLiteral("100") : QStringLiteral("0"));
    return QDialog::eventFilter(watched, event);
}

void Tbefejezesform::finish()
{
    // One store at a time: its pictures or its command are still under way.
    if (!m_storing.expired())
        return;
    if (m_ui->suly2->text().isEmpty())
        m_ui->suly2->setText(QStringLiteral("0"));
    if (m_ui->tisztasag->text().isEmpty())
        m_ui->tisztasag->setText(QStringLiteral("100"));
    QStringList plates;
    for (int i = 0; i < m_ui->rendszam->count(); ++i)
        plates.append(m_ui->rendszam->itemText(i));

    Finishing::Input in;
    in.rendszam = m_ui->rendszam->currentText();
    in.suly2 = m_ui->suly2->text();
    in.raktar = m_ui->raktar->currentText();
    in.tisztasag = m_ui->tisztasag->text();
    in.viztartalom = m_ui->viztartalom->text();
    in.elvartviz = m_ui->elvartviz->text();
    in.megjegyzes = m_ui->megjegyzes->currentText();
    in.ugyirat = m_ui->ugyirat->currentText();
    in.tablanev = m_ui->tablanev->currentText();
    in.parcella = m_ui->parcella->currentText();
    in.tablasorszam = m_ui->tablasorszam->currentText();
    in.kezi = m_ui->kezisuly->isChecked();
    in.weightLive = m_scale->usable();
    in.origin = FieldHelpers::weightOrigin(m_ui->kezisuly, m_ui->suly2, m_recalledTare);
    in.felhasznalo = felhasznalonev();
    // Busy from now: the pictures are taken before the store runs.
    const auto storing = busy();
    m_storing = storing;
    WeighingMoment::aboutToStore(
        *m_kelvo, this, std::move(in),
        [this, plates, storing](const Finishing::Input &ready) { store(ready, plates, storing); });
}

void Tbefejezesform::store(const Finishing::Input &in, const QStringList &plates,
                           std::shared_ptr<WorkerCall::Busy> storing)
{
    DatabaseWorker *worker = m_kelvo->worker();
    const qint64 maxsuly = m_kelvo->settings().maxsuly;
    const auto finish = [worker, in, plates, maxsuly](QSqlDatabase db) {
        const auto askZero = [worker](const QString &question) {
            return worker->askOwner<bool>([question] { return kerdes(question); }, false);
        };
        return Finishing::finish(db, in, plates, maxsuly, askZero, [] { return QDateTime::currentDateTime(); });
    };
    WorkerCall::then(worker->run(finish), this, [this](const Finishing::Outcome &outcome) {
        switch (outcome.status) {
        case Finishing::Outcome::Status::Refused:
            uzenet(outcome.refusal.message);
            if (auto *w = findChild<QWidget *>(outcome.refusal.field))
                w->setFocus();
            return;
        case Finishing::Outcome::Status::Cancelled:
            return;
        case Finishing::Outcome::Status::Saved:
            break;
        }
        m_lastSerial = outcome.sorszam;
        m_kelvo->flashSaved(this);
        m_kelvo->weighingStored(true);
        accept();
        m_kelvo->printTicket(outcome.sorszam, m_ui->printfilename->currentText());
    }, storing);
}
