#include "FieldHelpers.h"

#include "Database.h"
#include "FirstWeighing.h"
#include "MasterData.h"
#include "MessageBoxes.h"
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

void saveTare(Database &database, const QString &plate, const TNumEdit *weight, const char *notFound)
{
    // Another station may have changed the vehicle since the window opened.
    database.refresh(QStringLiteral("szallito"));
    const auto vehicle = MasterData::vehicleByPlate(database.db(), plate);
    if (!vehicle) {
        uzenet(QString::fromUtf8(notFound));
        return;
    }
    MasterData::saveTare(database.db(), vehicle->rowId, FirstWeighing::parseWeight(weight->text()).value_or(0));
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
