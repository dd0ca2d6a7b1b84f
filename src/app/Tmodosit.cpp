#include "Tmodosit.h"

#include "ui_Tmodosit.h"

#include "Database.h"
#include "FieldHelpers.h"
#include "Kelvo.h"
#include "MessageBoxes.h"
#include "Modification.h"
#include "Seged.h"
#include "SlotGuard.h"
#include "Transport.h"
#include "WindowHelpers.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace {

// Typing is limited, but a longer value that is already stored is shown and saved unchanged.
void limitTyping(QComboBox *box, int length, const char *pattern = ".")
{
    box->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("%1{0,%2}").arg(QLatin1String(pattern)).arg(length)), box));
}

} // namespace

Tmodosit::Tmodosit(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tmodosit>())
{
    m_ui->setupUi(this);
    limitTyping(m_ui->rendszam, 10);
    limitTyping(m_ui->raktar, 35);
    limitTyping(m_ui->kiszereles, 30);
    limitTyping(m_ui->ugyirat, 30);
    limitTyping(m_ui->megjegyzes, 60);
    limitTyping(m_ui->tablanev, 50);
    limitTyping(m_ui->parcella, 10);
    limitTyping(m_ui->tablasorszam, 5, "[0-9]");
    limitTyping(m_ui->termeknev, 60);
    limitTyping(m_ui->termekkod, 20);
    m_ui->okbtn->setDefault(true);
}

Tmodosit::~Tmodosit() = default;

void Tmodosit::attach(Kelvo *kelvo)
{
    m_kelvo = kelvo;
    FieldHelpers::forceUpperCase(m_ui->rendszam);
    FieldHelpers::forceUpperCase(m_ui->parcella);
    connect(m_ui->okbtn, &QPushButton::clicked, this, guarded(this, &Tmodosit::okClick));
    connect(m_ui->megsebtn, &QPushButton::clicked, this, &QDialog::reject);
}

void Tmodosit::setRestricted(bool restricted)
{
    if (!restricted)
        return;
    for (QWidget *w : {static_cast<QWidget *>(m_ui->rendszam), static_cast<QWidget *>(m_ui->kiszereles),
                       static_cast<QWidget *>(m_ui->ugyirat), static_cast<QWidget *>(m_ui->tablanev),
                       static_cast<QWidget *>(m_ui->parcella), static_cast<QWidget *>(m_ui->tablasorszam)})
        w->setEnabled(false);
    m_ui->raktar->setEnabled(true);
    m_ui->megjegyzes->setEnabled(true);
}

bool Tmodosit::prepare(qint64 sorszam)
{
    const QSqlDatabase db = m_kelvo->database()->db();
    const std::optional<Transport> t = Transport::load(db, sorszam);
    if (!t)
        return false;
    m_sorszam = sorszam;
    const std::pair<QComboBox *, QString> boxes[] = {
        {m_ui->rendszam, t->rendszam},   {m_ui->raktar, t->raktar},         {m_ui->kiszereles, t->kiszereles},
        {m_ui->ugyirat, t->ugyirat},     {m_ui->megjegyzes, t->megjegyzes}, {m_ui->tablanev, t->tablanev},
        {m_ui->parcella, t->parcella},   {m_ui->tablasorszam, t->tablasorszam},
        {m_ui->termeknev, t->termeknev}, {m_ui->termekkod, t->termekkod},
    };
    for (const auto &[box, value] : boxes) {
        listatoltes(box, db, QStringLiteral("szallitasok"), box->objectName());
        box->setEditText(value);
    }
    m_ui->rendszam->setFocus();
    return true;
}

void Tmodosit::okClick()
{
    Modification::Fields f;
    f.rendszam = m_ui->rendszam->currentText();
    f.raktar = m_ui->raktar->currentText();
    f.ugyirat = m_ui->ugyirat->currentText();
    f.megjegyzes = m_ui->megjegyzes->currentText();
    f.kiszereles = m_ui->kiszereles->currentText();
    f.tablanev = m_ui->tablanev->currentText();
    f.parcella = m_ui->parcella->currentText();
    f.tablasorszam = m_ui->tablasorszam->currentText();
    f.termeknev = m_ui->termeknev->currentText();
    f.termekkod = m_ui->termekkod->currentText();
    if (const auto refusal = Modification::apply(m_kelvo->database()->db(), m_sorszam, f, shiftlenyomva())) {
        uzenet(refusal->message);
        return;
    }
    accept();
}
