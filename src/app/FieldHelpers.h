#pragma once

#include "WeightOrigin.h"

#include <QString>

#include <functional>

class DatabaseWorker;
class QWidget;
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

// Stores the weight field as the vehicle's tare (on the database worker, window busy meanwhile); without a saved
// vehicle of the plate shows notFound. A weight that is not a whole number, or a scale weight while the link is
// down, is refused.
void saveTare(DatabaseWorker &worker, QWidget *window, const QString &plate, const ScaleWeightField &field,
              const TNumEdit *weight, const char *notFound);

// Puts the vehicle's stored tare into the weight field in manual mode and calls recalled with the text put there;
// or says there is none, or that it is older than validDays (0: never too old).
void recallTare(DatabaseWorker &worker, QWidget *window, const QString &plate, int validDays, QCheckBox *manual,
                TNumEdit *weight, std::function<void(const QString &)> recalled);

// Where the weight field's value came from: the scale while "Kézi súly" is off; the tare memory while the field
// still holds the recalled text; keyed in otherwise.
WeightOrigin weightOrigin(const QCheckBox *manual, const TNumEdit *weight, const QString &recalled);

} // namespace FieldHelpers
