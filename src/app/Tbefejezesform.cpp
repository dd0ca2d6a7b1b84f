#include "Tbefejezesform.h"

#include "ui_Tbefejezesform.h"

#include "Config.h"
#include "Database.h"
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

bool Tbefejezesform::prepare(const QString &selectedPlate)
{
    m_recalledTare.clear();
    m_scale->followScale();
    Database *database = m_kelvo->database();
    for (const char *table : {"raktar", "szallitasok", "folyamatban"})
        database->refresh(QLatin1String(table));
    const QSqlDatabase db = database->db();
    if (InProgress::count(db) == 0) {
        uzenet(QString::fromUtf8(kNothingInProgress));
        return false;
    }
    listatoltes(m_ui->rendszam, db, QStringLiteral("folyamatban"), QStringLiteral("rendszam"));
    for (QComboBox *box : {m_ui->megjegyzes, m_ui->ugyirat, m_ui->tablanev, m_ui->parcella, m_ui->tablasorszam})
        listatoltes(box, db, QStringLiteral("szallitasok"), box->objectName());
    listatoltes(m_ui->raktar, db, QStringLiteral("raktar"), QStringLiteral("raktar"));
    m_ui->rendszam->setEditText(m_ui->rendszam->count() == 1 ? m_ui->rendszam->itemText(0) : QString());
    if (m_ui->raktar->count() == 1)
        m_ui->raktar->setCurrentIndex(0);
    raktarChange();
    m_ui->printfilename->clear();
    m_ui->printfilename->addItems(m_kelvo->templateNames());
    m_ui->printfilename->setCurrentIndex(m_ui->printfilename->findText(m_kelvo->selectedTemplate()));
    m_ui->printfilename->setEnabled(m_kelvo->printMode() != 4);
    if (!selectedPlate.isEmpty())
        m_ui->rendszam->setEditText(selectedPlate);
    m_lastSerial = 0;
    return true;
}

void Tbefejezesform::raktarChange()
{
    if (!m_kelvo || !m_kelvo->database())
        return;
    const auto row = MasterData::warehouse(m_kelvo->database()->db(), m_ui->raktar->currentText());
    m_warehouseRow = row.value_or(0);
    m_ui->raktartorol->setEnabled(row.has_value());
}

void Tbefejezesform::addWarehouse()
{
    const QString name = m_ui->raktar->currentText();
    if (name.isEmpty()) {
        uzenet(QString::fromUtf8(kWarehouseRequired));
        m_ui->raktar->setFocus();
        return;
    }
    const QSqlDatabase db = m_kelvo->database()->db();
    if (MasterData::warehouse(db, name)) {
        uzenet(QString::fromUtf8(kWarehouseExists));
        return;
    }
    MasterData::addWarehouse(db, name);
    if (m_ui->raktar->findText(name, Qt::MatchFixedString) < 0)
        m_ui->raktar->addItem(name);
    raktarChange();
    m_kelvo->flashSaved(this);
}

void Tbefejezesform::deleteWarehouse()
{
    if (m_warehouseRow == 0)
        return;
    MasterData::remove(m_kelvo->database()->db(), "raktar", m_warehouseRow, m_ui->raktar->currentText());
    const int index = m_ui->raktar->findText(m_ui->raktar->currentText(), Qt::MatchFixedString);
    if (index >= 0)
        m_ui->raktar->removeItem(index);
    raktarChange();
}

void Tbefejezesform::kezisulyClick()
{
    FieldHelpers::manualWeightClicked(m_ui->kezisuly, m_ui->suly2);
}

void Tbefejezesform::saveTare()
{
    FieldHelpers::saveTare(*m_kelvo->database(), m_ui->rendszam->currentText(), *m_scale, m_ui->suly2,
                           kTareNeedsVehicle);
}

void Tbefejezesform::recallTare()
{
    m_recalledTare = FieldHelpers::recallTare(*m_kelvo->database(), m_ui->rendszam->currentText(),
                                            int(m_kelvo->config()->integer(Keys::taralejar)), m_ui->kezisuly,
                                            m_ui->suly2);
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
    in.scaleRefusal = in.origin != WeightOrigin::Scale
                          ? QString()
                          : m_kelvo->weightLink()->refusalToTake(m_kelvo->settings().stabilkell);
    in.felhasznalo = felhasznalonev();

    m_kelvo->database()->refresh(QStringLiteral("szallitasok"));
    m_kelvo->database()->refresh(QStringLiteral("folyamatban"));
    homokora(true);
    const auto outcome = Finishing::finish(m_kelvo->database()->db(), in, plates, m_kelvo->settings().maxsuly,
                                           [](const QString &question) {
                                               homokora(false);
                                               return kerdes(question);
                                           },
                                           [] { return QDateTime::currentDateTime(); });
    homokora(false);
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
    accept();
    m_kelvo->printTicket(outcome.sorszam, m_ui->printfilename->currentText());
}
