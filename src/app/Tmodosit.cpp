#include "Tmodosit.h"

#include "ui_Tmodosit.h"

#include "DatabaseWorker.h"
#include "FieldHelpers.h"
#include "Kelvo.h"
#include "MessageBoxes.h"
#include "Modification.h"
#include "RecordTexts.h"
#include "Seged.h"
#include "SlotGuard.h"
#include "Transport.h"
#include "WindowHelpers.h"
#include "WorkerCall.h"
#include "Listatoltes.h"

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

QList<QComboBox *> Tmodosit::boxes() const
{
    // In the order of Loaded::values.
    return {m_ui->rendszam, m_ui->raktar,   m_ui->kiszereles,   m_ui->ugyirat,   m_ui->megjegyzes,
            m_ui->tablanev, m_ui->parcella, m_ui->tablasorszam, m_ui->termeknev, m_ui->termekkod};
}

void Tmodosit::prepare(qint64 sorszam, std::function<void()> stored)
{
    DatabaseWorker *worker = m_kelvo ? m_kelvo->worker() : nullptr;
    if (!worker || isVisible())
        return;
    QStringList fields;
    for (const QComboBox *box : boxes())
        fields.append(box->objectName());
    struct Loaded {
        bool found = false;
        QStringList values;       // the ticket's, in the boxes' order
        QList<QStringList> lists; // the boxes' lists
    };
    const auto load = [sorszam, fields](QSqlDatabase db) {
        QString error;
        const std::optional<Transport> t = Transport::load(db, sorszam, &error);
        if (!error.isEmpty())
            throw DatabaseError(error);
        Loaded loaded;
        if (!t)
            return loaded;
        loaded.found = true;
        loaded.values = {t->rendszam, t->raktar,   t->kiszereles,   t->ugyirat,   t->megjegyzes,
                         t->tablanev, t->parcella, t->tablasorszam, t->termeknev, t->termekkod};
        for (const QString &field : fields)
            loaded.lists.append(distinctColumnValues(db, QStringLiteral("szallitasok"), field));
        return loaded;
    };
    WorkerCall::then(worker->run(load), this, [this, sorszam, stored = std::move(stored)](const Loaded &loaded) {
        if (!loaded.found || isVisible())
            return;
        m_sorszam = sorszam;
        m_stored = stored;
        // The operator sees which ticket he changes.
        setWindowTitle(QStringLiteral("Adatok módosítása: ") + RecordTexts::serial(sorszam) +
                       QStringLiteral(" sorszámú szállítás"));
        const QList<QComboBox *> all = boxes();
        for (int i = 0; i < all.size(); ++i) {
            fillList(all.at(i), loaded.lists.value(i));
            all.at(i)->setEditText(loaded.values.value(i));
        }
        m_ui->rendszam->setFocus();
        open();
    });
}

void Tmodosit::okClick()
{
    DatabaseWorker *worker = m_kelvo ? m_kelvo->worker() : nullptr;
    if (!worker || WorkerCall::Busy::running(this))
        return;
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
    const qint64 sorszam = m_sorszam;
    const bool keepUnmarked = shiftlenyomva();
    const auto apply = [sorszam, f, keepUnmarked](QSqlDatabase db) {
        return Modification::apply(db, sorszam, f, keepUnmarked);
    };
    WorkerCall::then(worker->run(apply), this, [this](const std::optional<Refusal> &refusal) {
        if (refusal) {
            uzenet(refusal->message);
            return;
        }
        accept();
        if (const std::function<void()> stored = std::exchange(m_stored, {}))
            stored();
    }, std::make_shared<WorkerCall::Busy>(this, QList<QWidget *>{m_ui->okbtn, m_ui->megsebtn}));
}
