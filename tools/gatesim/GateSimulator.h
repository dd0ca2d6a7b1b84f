#pragma once

#include "GateSimOptions.h"
#include "WeightProfile.h"

#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QTimer>

class QModbusTcpServer;

// A gate input/output module on the loopback: coils the client writes, discrete inputs set by command or by the
// truck profile.
class GateSimulator : public QObject
{
    Q_OBJECT

public:
    explicit GateSimulator(GateSimOptions options, QObject *parent = nullptr);
    ~GateSimulator() override;

    // Listens on 127.0.0.1 at the options' port, or a free one; false with *error set when it cannot.
    bool listen(QString *error);
    quint16 port() const { return m_port; }

    // One command line: "NAME on|off", "ADDR on|off", "stop", "start". Returns an error text, or empty.
    QString command(const QString &line);
    void setSilent(bool silent);

signals:
    void coilChanged(const QString &name, bool on);
    void inputChanged(const QString &name, bool on);

private:
    void onWritten(int table, int address, int size);
    void setInput(int address, bool on);
    void followTruck();
    QString coilName(int address) const;

    GateSimOptions m_options;
    QModbusTcpServer *m_server = nullptr;
    quint16 m_port = 0;
    QMap<int, bool> m_coils; // as last logged
    WeightProfile m_truck;
    QElapsedTimer m_truckClock;
    QTimer m_truckTimer;
};
