#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class Kelvo;
namespace Finishing {
struct Input;
}
namespace WorkerCall {
class Busy;
}
class ScaleWeightField;
struct WeighingWindowOptions;

namespace Ui {
class Tbefejezesform;
}

// Second weighing: the plate in progress, the second weight, warehouse, deductions and the ticket's other fields;
// "Befejezés" settles the transport, stores the ticket and prints it.
class Tbefejezesform : public QDialog
{
    Q_OBJECT

public:
    explicit Tbefejezesform(QWidget *parent = nullptr);
    ~Tbefejezesform() override;

    Ui::Tbefejezesform *ui() const { return m_ui.get(); }
    void attach(Kelvo *kelvo);
    void applyOptions(const WeighingWindowOptions &options);
    // Whether the deductions and the field data (table name, parcel, table number) are shown.
    void applyLayout(bool deductions, bool fieldData);
    ScaleWeightField &scaleField() { return *m_scale; }

    // Fills the lists (on the database worker) and presets the way the main window's "finish" command opens the
    // window, then calls ready: false when nothing is in progress (the message has been shown).
    void prepare(const QString &selectedPlate, std::function<void(bool)> ready);
    void raktarChange();
    // The serial number of the ticket stored by the last "Befejezés", 0 when none.
    qint64 lastSerial() const { return m_lastSerial; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    std::shared_ptr<WorkerCall::Busy> busy();
    // Collects the window's input; the weighing moment completes it and hands it to store().
    void finish();
    // Submits the finishing store on the worker; plates: the plates in progress the window offered.
    void store(const Finishing::Input &in, const QStringList &plates, std::shared_ptr<WorkerCall::Busy> storing);
    void addWarehouse();
    void deleteWarehouse();
    void kezisulyClick();
    void saveTare();
    void recallTare();
    void step(QWidget *field, double delta);

    std::unique_ptr<Ui::Tbefejezesform> m_ui;
    std::unique_ptr<ScaleWeightField> m_scale;
    QString m_recalledTare; // the weight text the tare recall put into the weight box; empty when none
    Kelvo *m_kelvo = nullptr;
    qint64 m_warehouseRow = 0;
    qint64 m_lastSerial = 0;
    int m_warehouseLookups = 0;
    std::weak_ptr<WorkerCall::Busy> m_storing; // while the ticket is being stored; the window does not close meanwhile // the newest look-up of the warehouse; an older answer is not shown
};
