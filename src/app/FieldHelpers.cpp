#include "FieldHelpers.h"

#include "Database.h"
#include "FirstWeighing.h"
#include "MasterData.h"
#include "MessageBoxes.h"
#include "ScaleWeightField.h"
#include "TNumEdit.h"

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

void saveTare(Database &database, const QString &plate, const ScaleWeightField &field, const TNumEdit *weight,
              const char *notFound)
{
    // Another station may have changed the vehicle since the window opened.
    database.refresh(QStringLiteral("szallito"));
    const auto vehicle = MasterData::vehicleByPlate(database.db(), plate);
    if (!vehicle) {
        uzenet(QString::fromUtf8(notFound));
        return;
    }
    if (!field.usable()) {
        uzenet(QString::fromUtf8(FirstWeighing::kNoScaleWeight));
        return;
    }
    // A lone "-" is no tare: storing 0 instead would make the next ticket's net weight the gross.
    const std::optional<qint64> tare = FirstWeighing::parseWeight(weight->text());
    if (!tare) {
        uzenet(QString::fromUtf8(FirstWeighing::kWeightRequired));
        return;
    }
    MasterData::saveTare(database.db(), vehicle->rowId, vehicle->rendszam, *tare);
}

QString recallTare(Database &database, const QString &plate, int validDays, QCheckBox *manual, TNumEdit *weight)
{
    const auto recalled = MasterData::recallTare(database.db(), plate, validDays, QDateTime::currentDateTime());
    if (const auto *refusal = std::get_if<Refusal>(&recalled)) {
        uzenet(refusal->message);
        return {};
    }
    manual->setChecked(true);
    manualWeightClicked(manual, weight);
    weight->setText(std::get<QString>(recalled));
    return weight->text();
}

WeightOrigin weightOrigin(const QCheckBox *manual, const TNumEdit *weight, const QString &recalled)
{
    if (!manual->isChecked())
        return WeightOrigin::Scale;
    return !recalled.isEmpty() && weight->text() == recalled ? WeightOrigin::Recalled : WeightOrigin::Keyed;
}

} // namespace FieldHelpers
