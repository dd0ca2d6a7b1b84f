#pragma once

#include "InProgress.h"
#include "MasterData.h"

#include <QDialog>
#include <QHash>
#include <QSqlDatabase>

#include <functional>
#include <memory>
#include <optional>

class Kelvo;
namespace FirstWeighing {
struct Input;
}
class QComboBox;
class QLineEdit;
namespace WorkerCall {
class Busy;
}
class ScaleWeightField;
struct WeighingWindowOptions;

namespace Ui {
class Tkezdesform;
}

// First weighing of a transport: plate, carrier, customer and product with their master data, the first weight
// (from the scale or typed), tare memory, and "Beszállítás"/"Kiszállítás" to record it.
class Tkezdesform : public QDialog
{
    Q_OBJECT

public:
    explicit Tkezdesform(QWidget *parent = nullptr);
    ~Tkezdesform() override;

    Ui::Tkezdesform *ui() const { return m_ui.get(); }
    void attach(Kelvo *kelvo);
    void applyOptions(const WeighingWindowOptions &options);
    ScaleWeightField &scaleField() { return *m_scale; }
    // The code picked in the EWC look-up.
    void setProductCode(const QString &code);

    // Prepares the window the way the main window's "new transport" command opens it.
    void prepare();

    // Change handlers of the key fields; they fill the dependent fields from the master tables.
    void rendszamChange();
    void nevChange();
    void termeknevChange();
    void ugyfelnevChange();

signals:
    void ewcRequested();

protected:
    void done(int result) override;

private:
    // The window's commands wait for each other: its buttons are off while one runs.
    std::shared_ptr<WorkerCall::Busy> busy();
    // A look-up while typing, on the worker; apply gets the answer if no newer look-up of the field was asked.
    template <typename F, typename Apply>
    void lookUp(int &generation, F read, Apply apply);
    // The texts of every field, and the fill that leaves a field alone when the operator changed it meanwhile.
    QHash<QObject *, QString> typedTexts() const;
    void fill(QLineEdit *edit, const QString &text);
    void fill(QComboBox *box, const QString &text);
    void showVehicle(const std::optional<MasterData::Vehicle> &vehicle,
                     const std::optional<InProgress::Row> &inProgress);
    // A change of the master data on the worker; done runs on the window once it is stored.
    void change(std::function<void(QSqlDatabase)> work, std::function<void()> done);
    void deleteRow(const char *table, qint64 rowId, QComboBox *box, void (Tkezdesform::*changed)());
    void saveVehicle();
    void saveProduct();
    void saveCustomer();
    void deleteVehicle();
    void deleteProduct();
    void deleteCustomer();
    void kezisulyClick();
    void saveTare();
    void recallTare();
    // Collects the window's input; the weighing moment completes it and hands it to store().
    void record(int irany);
    // Submits the first weighing's store on the worker.
    void store(const FirstWeighing::Input &in, std::shared_ptr<WorkerCall::Busy> storing);
    void focusField(const QString &name);

    std::unique_ptr<Ui::Tkezdesform> m_ui;
    std::unique_ptr<ScaleWeightField> m_scale;
    QString m_recalledTare; // the weight text the tare recall put into the weight box; empty when none
    Kelvo *m_kelvo = nullptr;
    // Ids of the rows of the last successful look-ups: the "Töröl" buttons delete exactly these rows.
    qint64 m_vehicleRow = 0;
    qint64 m_productRow = 0;
    qint64 m_customerRow = 0;
    // The newest look-up of each field; an older answer arriving later is not shown.
    int m_plateLookups = 0;
    int m_carrierLookups = 0;
    int m_productLookups = 0;
    int m_customerLookups = 0;
    // While the truck is being stored; the window does not close meanwhile.
    std::weak_ptr<WorkerCall::Busy> m_storing;
    // While a look-up's answer is shown: the texts the fields had when it was asked.
    QHash<QObject *, QString> m_typedBefore;
};
