#pragma once

#include <QString>

class Database;
class QCheckBox;
class QComboBox;
class ScaleWeightField;
class TNumEdit;

// Behaviour the two weighing windows (and the modify window) share.
namespace FieldHelpers {

// The box writes capitals whatever is typed, as plates and parcel ids are.
void forceUpperCase(QComboBox *box);

// "Kézi súly": the weight field is editable exactly while the box is ticked; ticking focuses it, unticking puts
// "0" there until the next scale reading.
void manualWeightClicked(QCheckBox *manual, TNumEdit *weight);

// Stores the weight field as the vehicle's tare; without a saved vehicle of the plate shows notFound. A weight
// that is not a whole number, or a scale weight while the link is down, is refused.
void saveTare(Database &database, const QString &plate, const ScaleWeightField &field, const TNumEdit *weight,
              const char *notFound);

// Puts the vehicle's stored tare into the weight field in manual mode, or says there is none.
void recallTare(Database &database, const QString &plate, QCheckBox *manual, TNumEdit *weight);

} // namespace FieldHelpers
