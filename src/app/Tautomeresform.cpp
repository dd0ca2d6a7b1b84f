#include "Tautomeresform.h"

#include "AutoTable.h"
#include "DatabaseWorker.h"

#include "ui_Tautomeresform.h"

Tautomeresform::Tautomeresform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Tautomeresform>())
{
    m_ui->setupUi(this);
    connect(m_ui->bezar, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->idobox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_run)
            m_run->rules().setDurationIndex(index);
    });
}

Tautomeresform::~Tautomeresform() = default;

void Tautomeresform::setSource(AutoWeighingRun::Scale scale, AutoWeighing::Store store)
{
    m_run = std::make_unique<AutoWeighingRun>(std::move(scale), std::move(store));
    m_run->rules().setMinimum(m_minimum);
    m_run->rules().setDurationIndex(m_ui->idobox->currentIndex());
    connect(m_run.get(), &AutoWeighingRun::changed, this, &Tautomeresform::showTexts);
}

QFuture<void> Tautomeresform::store(DatabaseWorker *worker, const QDateTime &at, qint64 weight,
                                    const Pictures::Shots &pictures)
{
    if (!worker)
        return QtFuture::makeExceptionalFuture(
            std::make_exception_ptr(DatabaseError(QStringLiteral("Nincs megnyitott adatbázis."))));
    if (pictures.isEmpty())
        return worker->run([at, weight](QSqlDatabase db) { AutoTable::append(db, at, weight); });
    return worker->run([at, weight, pictures](QSqlDatabase db) { AutoTable::append(db, at, weight, pictures); });
}

void Tautomeresform::setMinimum(qint64 kilograms)
{
    m_minimum = kilograms;
    if (m_run)
        m_run->rules().setMinimum(kilograms);
}

void Tautomeresform::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_run) {
        m_run->rules().setDurationIndex(m_ui->idobox->currentIndex());
        m_run->start();
    }
}

void Tautomeresform::hideEvent(QHideEvent *event)
{
    // The logger runs only while its window is open.
    if (m_run)
        m_run->stop();
    QDialog::hideEvent(event);
}

void Tautomeresform::showTexts()
{
    m_ui->allapot->setText(m_run->rules().shownStatus());
    m_ui->utolso->setText(m_run->rules().lastSaved());
}
