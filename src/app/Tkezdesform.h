#pragma once

#include <QDialog>

#include <memory>

class Kelvo;
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

private:
    void saveVehicle();
    void saveProduct();
    void saveCustomer();
    void deleteVehicle();
    void deleteProduct();
    void deleteCustomer();
    void kezisulyClick();
    void saveTare();
    void recallTare();
    void record(int irany);
    void focusField(const QString &name);

    std::unique_ptr<Ui::Tkezdesform> m_ui;
    std::unique_ptr<ScaleWeightField> m_scale;
    QString m_recalledTare; // the weight text the tare recall put into the weight box; empty when none
    Kelvo *m_kelvo = nullptr;
    // Ids of the rows of the last successful look-ups: the "Töröl" buttons delete exactly these rows.
    qint64 m_vehicleRow = 0;
    qint64 m_productRow = 0;
    qint64 m_customerRow = 0;
};
