#pragma once

#include "GateSettings.h"

#include <QMap>
#include <QModbusDataUnit>
#include <QModbusDevice>
#include <QObject>
#include <QString>
#include <QTimer>

class QModbusReply;
class QModbusTcpClient;

// The gate's input/output module over Modbus TCP, driven by signals on the thread that owns it (make it there, or
// move it there before start()); nothing here waits.
// It connects, and after a loss reconnects by itself; polls the discrete inputs and coils and reports changes;
// writes coils; pulses the barrier. The link counts as connected only once the module has answered a poll, so
// "connected" always means the inputs it reports are current.
class GateModule : public QObject
{
    Q_OBJECT

public:
    enum class Link {
        Off,        // the site has no module ([Kapu] Host empty)
        Connecting, // first attempt, no answer yet
        Connected,  // the module answers; inputs() and coils() are current
        Lost,       // no answer; reason() tells why, and it keeps trying
    };
    Q_ENUM(Link)

    // How long a request may stay unanswered, and a connection attempt take, before the module counts as lost.
    static constexpr int kAnswerMs = 800;
    static constexpr int kConnectMs = 2000;
    static constexpr int kPollMs = 150;
    static constexpr int kRetryMs = 1500;

    explicit GateModule(GateSettings settings, QObject *parent = nullptr);
    ~GateModule() override;
    GateModule(const GateModule &) = delete;
    GateModule &operator=(const GateModule &) = delete;

    const GateSettings &settings() const { return m_settings; }

    // Starts connecting (nothing without a module).
    void start();

    Link link() const { return m_link; }
    // Why the link is lost; empty otherwise.
    const QString &reason() const { return m_reason; }
    // The configured points as last read, by INI key; empty while not connected.
    const QMap<QString, bool> &inputs() const { return m_inputs; }
    const QMap<QString, bool> &coils() const { return m_coils; }

    // Sets configured coils by INI key (other keys are ignored): written now when connected and different from what
    // was asked last, and again after every reconnection (the module may have restarted).
    void setCoil(const QString &key, bool on);
    void setCoils(const QMap<QString, bool> &states);
    // Opens the barrier: its coil on, and off again after the pulse length. False, and nothing is done, when the site
    // has no barrier or the module is not connected: a pulse held back until the module returns could open it in
    // front of the wrong truck. pulseFinished tells when the coil is off again.
    bool pulseBarrier();

signals:
    void linkChanged(GateModule::Link link, const QString &reason);
    void inputChanged(const QString &key, bool on);
    void coilChanged(const QString &key, bool on);
    // The barrier's coil went off again after a pulse (ok), or could not be switched (reason).
    void pulseFinished(bool ok, const QString &reason);
    // A coil write the module refused or did not answer.
    void writeFailed(const QString &key, const QString &reason);

private:
    void connectNow();
    void onStateChanged(QModbusDevice::State state);
    void lose(const QString &reason);
    void setLink(Link link, const QString &reason = {});
    void poll();
    void sendNextRead();
    void onRead(QModbusReply *reply, quint64 session);
    void write(const QString &key, bool on, bool endsPulse = false);
    void endPulse();

    GateSettings m_settings;
    QModbusTcpClient *m_client = nullptr;
    Link m_link = Link::Off;
    QString m_reason;
    // Bumped at every connection: answers to an earlier one are stale.
    quint64 m_session = 0;
    bool m_closing = false;
    QTimer m_pollTimer;
    QTimer m_connectTimer;
    QTimer m_retryTimer;
    QTimer m_pulseTimer;
    // The reads of one poll cycle, and those still to send.
    QList<QModbusDataUnit> m_cycle;
    qsizetype m_nextRead = -1;
    QMap<QString, bool> m_inputs, m_coils;
    QMap<QString, bool> m_readInputs, m_readCoils;
    QMap<QString, bool> m_wanted;
};
