#include "FieldHelpers.h"

#include "Database.h"
#include "FirstWeighing.h"
#include "MasterData.h"
#include "MessageBoxes.h"
#include "ScaleWeightField.h"
#include "TNumEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {

constexpr char kNoStoredTare[] = "A kiválasztott rendszámhoz nem tartozik rögzített tárasúly !";

} // namespace

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

void recallTare(Database &database, const QString &plate, QCheckBox *manual, TNumEdit *weight)
{
    const auto vehicle = MasterData::vehicleByPlate(database.db(), plate);
    if (!vehicle) {
        uzenet(QString::fromUtf8(kNoStoredTare));
        return;
    }
    manual->setChecked(true);
    manualWeightClicked(manual, weight);
    weight->setText(vehicle->tarasuly.isEmpty() ? QStringLiteral("0") : vehicle->tarasuly);
}

} // namespace FieldHelpers
