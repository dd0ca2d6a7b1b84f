#pragma once

#include "PortDetector.h"
#include "PortSettings.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QStringListModel;
class TComPort;
class TPortListForm;

namespace Ui {
class TSetportForm;
}

// Serial port settings of the scale link. The port list holds the ports detected when the dialog was created.
class TSetportForm : public QDialog
{
    Q_OBJECT

public:
    explicit TSetportForm(QWidget *parent = nullptr, PortDetector detector = PortDetector());
    ~TSetportForm() override;

    Ui::TSetportForm *ui() const { return m_ui.get(); }
    TPortListForm *portListForm() const { return m_portListForm; }

    // Replaces the ports offered (creation fills it from detection).
    void setPortList(const QStringList &ports);

    // Shows the port's current settings modally, centred on centreOn when given. On "OK" the port is closed,
    // reconfigured and opened again, and true is returned: the caller then saves the settings (SaveSettings).
    // "Mégse" leaves the port as it was and returns false.
    bool execFor(TComPort &port, const QWidget *centreOn = nullptr);

    // What the controls hold at this moment.
    PortSettingsChoice choice() const;

public slots:
    // "OK": a choice that cannot be used is refused with its message before anything is touched, and the dialog
    // stays open on the control to correct.
    void accept() override;

private:
    void showChoice(const PortSettingsChoice &choice);

    std::unique_ptr<Ui::TSetportForm> m_ui;
    QStringListModel *m_ports = nullptr;
    TPortListForm *m_portListForm = nullptr;
    bool m_confirmed = false;
};
