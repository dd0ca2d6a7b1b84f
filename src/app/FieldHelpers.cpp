#include "FieldHelpers.h"

#include "DatabaseWorker.h"
#include "FirstWeighing.h"
#include "MasterData.h"
#include "MessageBoxes.h"
#include "ScaleWeightField.h"
#include "TNumEdit.h"
#include "WorkerCall.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>

namespace FieldHelpers {

void forceUpperCase(QComboBox *box)
{
    QObject::connect(box->lineEdit(), &QLineEdit::textEdited, box, [box](const QString &text) {
        if (text == text.toUpper())
            return;
        const int pos = box->lineEdit()->cursorPosition();
        box->setEditText(text.toUpper());
        box->lineEdit()->setCursorPosition(pos);
    });
}

void manualWeightClicked(QCheckBox *manual, TNumEdit *weight)
{
    weight->setReadOnly(!manual->isChecked());
    if (manual->isChecked())
        weight->setFocus();
    else
        weight->setText(QStringLiteral("0"));
}

void saveTare(DatabaseWorker &worker, QWidget *window, const QString &plate, const ScaleWeightField &field,
              const TNumEdit *weight, const char *notFound)
{
    // What the window shows now is what is stored; the vehicle is looked up where another station may have
    // changed it since the window opened.
    const bool usable = field.usable();
    // A lone "-" is no tare: storing 0 instead would make the next ticket's net weight the gross.
    const std::optional<qint64> tare = FirstWeighing::parseWeight(weight->text());
    const auto save = [plate, usable, tare, notFound](QSqlDatabase db) -> QString {
        const auto vehicle = MasterData::vehicleByPlate(db, plate);
        if (!vehicle)
            return QString::fromUtf8(notFound);
        if (!usable)
            return QString::fromUtf8(FirstWeighing::kNoScaleWeight);
        if (!tare)
            return QString::fromUtf8(FirstWeighing::kWeightRequired);
        MasterData::saveTare(db, vehicle->rowId, vehicle->rendszam, *tare);
        return {};
    };
    WorkerCall::then(worker.run(save), window, [](const QString &refusal) {
        if (!refusal.isEmpty())
            uzenet(refusal);
    }, std::make_shared<WorkerCall::Busy>(window, QList<QWidget *>{}));
}

void recallTare(DatabaseWorker &worker, QWidget *window, const QString &plate, int validDays, QCheckBox *manual,
                TNumEdit *weight, std::function<void(const QString &)> recalled)
{
    const auto recall = [plate, validDays](QSqlDatabase db) {
        return MasterData::recallTare(db, plate, validDays, QDateTime::currentDateTime());
    };
    WorkerCall::then(worker.run(recall), window,
                     [manual, weight, recalled = std::move(recalled)](const std::variant<QString, Refusal> &tare) {
                         if (const auto *refusal = std::get_if<Refusal>(&tare)) {
                             uzenet(refusal->message);
                             return;
                         }
                         manual->setChecked(true);
                         manualWeightClicked(manual, weight);
                         weight->setText(std::get<QString>(tare));
                         recalled(weight->text());
                     },
                     std::make_shared<WorkerCall::Busy>(window, QList<QWidget *>{}));
}

WeightOrigin weightOrigin(const QCheckBox *manual, const TNumEdit *weight, const QString &recalled)
{
    if (!manual->isChecked())
        return WeightOrigin::Scale;
    return !recalled.isEmpty() && weight->text() == recalled ? WeightOrigin::Recalled : WeightOrigin::Keyed;
}

} // namespace FieldHelpers
