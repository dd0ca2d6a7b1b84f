#pragma once

#include "GateSettings.h"

#include <QMap>
#include <QWidget>

class Config;
class GateProbe;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The settings dialog's page of the gate module: every Kelvo.ini [Kapu] key, [Opt] fenykapukell, and "Próba", which
// looks at the module with the values entered (without waiting: the answer comes in the line below it).
class GatePage : public QWidget
{
    Q_OBJECT

public:
    explicit GatePage(QWidget *parent = nullptr);
    ~GatePage() override;

    void load(const Config &config);
    // Writes every key; false at the first write the system refuses.
    bool save(Config &config) const;
    // The settings as entered.
    GateSettings entered() const;
    bool positionRequired() const;
    void setPositionRequired(bool required);
    QString positionRequiredLabel() const;
    // The fields, behind the same unlock as the scale link's settings; "Próba" works either way.
    void setEditable(bool editable);

    QPushButton *probeButton() const { return m_probe; }
    QLabel *probeResult() const { return m_result; }

private:
    void probe();

    QLineEdit *m_host;
    QSpinBox *m_port;
    QSpinBox *m_unit;
    QSpinBox *m_pulse;
    QCheckBox *m_required;
    // The points' address boxes by INI key; empty: the site does not have the point.
    QMap<QString, QLineEdit *> m_points;
    QPushButton *m_probe;
    QLabel *m_result;
    GateProbe *m_prober;
};
