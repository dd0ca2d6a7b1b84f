#pragma once

#include "FrameDecoder.h"
#include "IndicatorProfile.h"
#include "StabilityMonitor.h"
#include "TComPort.h"

#include <QAbstractSocket>
#include <QObject>
#include <QTcpSocket>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <optional>

class Config;
class IniFile;

// The indicator switches of the scale link, read at start-up.
struct WeightLinkSettings {
    DecoderOptions decoder;
    bool lekerdez = false;                        // polling mode
    QString lekerdezparancs = QStringLiteral("XA/B?"); // poll command, CR LF appended
    int lekerdezido = 1000;                       // poll interval, ms
    QString nullaz = QStringLiteral("sc");        // zero command: "sc", "ms" or "dis"
    IndicatorProfile profile;                     // how frames read; the digit filter unless set
    QString profileError;                         // why the configured profile was not taken
    StabilityMonitor::Settings stability;

    static WeightLinkSettings fromConfig(const Config &config);
};

// Server mode and its address as the settings dialog holds them at this moment.
struct WeightServer {
    bool enabled = false;
    QString host = QStringLiteral("0.0.0.0");
    QString port = QStringLiteral("5000");
};

// The live weight: frames from the serial port or the weight server become the current weight, the weight label's
// text and hint and the link panel's text; the watchdog notices silence, the poll timer asks the indicator, the
// zero command is sent on request. A window shows what the signals and getters say; nothing here shows a window.
class WeightLink : public QObject
{
    Q_OBJECT

public:
    static constexpr int kWatchdogInterval = 3000;
    // A vanished device or a lost server is tried again this often, so that the weight is back within seconds of
    // the line's return however long the watchdog interval is.
    static constexpr int kRetryInterval = 1000;
    // A connection request to the weight server unanswered this long is given up and tried again.
    static constexpr int kConnectTimeout = 5000;
    // Received server bytes kept while waiting for a terminator.
    static constexpr qsizetype kSocketBufferLimit = 64 * 1024;
    // A server that has sent no terminator on this connection sends one frame per burst: bytes count as a frame
    // once this long has passed without more.
    static constexpr int kUnterminatedGap = 50;

    explicit WeightLink(QObject *parent = nullptr, int watchdogIntervalMs = kWatchdogInterval);
    ~WeightLink() override;

    TComPort &comPort() { return m_port; }
    QTcpSocket &clientSocket() { return m_client; }

    // Start-up: the switches and the poll timer (the poll indicator keeps its visibility).
    void configure(const WeightLinkSettings &settings);
    // Start-up: the line settings of the port's section; the port opens unless server mode is on.
    void loadPortSettings(IniFile &ini);
    // The settings dialog's OK: the three switches, the poll timer and the poll indicator follow at once.
    void applyIndicatorFlags(bool micraorden, bool bilanciai, bool lekerdez);
    // Server mode, host and port are asked for whenever needed, so typing in the dialog takes effect at once.
    void setServerSource(std::function<WeightServer()> source) { m_serverSource = std::move(source); }
    // Shutdown: an active client connection is closed.
    void shutdown();

    const WeightLinkSettings &settings() const { return m_settings; }
    qint32 aktsuly() const { return m_aktsuly; }
    bool nullavolt() const { return m_nullavolt; }
    void clearNullavolt() { m_nullavolt = false; }
    // The filtered text of the last frame: digits and "-", leading zeros kept; empty before the first frame.
    const QString &weightText() const { return m_weightText; }
    // The weight a weighing may take: the last frame's text read with the decoder's integer rule, and only while
    // frames keep arriving (none after the watchdog has expired or the port has failed).
    std::optional<qint32> liveWeight() const;
    bool weightLive() const { return m_live; }
    // Whether the load is at rest, over- or underloaded, as the frames say or as judged over time.
    WeightState weightState() const { return m_state; }
    // A live weight that is stable.
    bool weightStable() const { return m_live && m_state == WeightState::Stable; }
    // Why the live weight may not be taken, empty when it may: over- or underload and an indicator error always,
    // a load not at rest when stableRequired. A silent link is the caller's own check (liveWeight()).
    QString refusalToTake(bool stableRequired) const;
    // Milliseconds of a monotonic clock for the stability judgement; replaceable for tests.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    const QString &labelText() const { return m_labelText; }
    const QString &labelHint() const { return m_labelHint; }
    const QString &statusText() const { return m_statusText; }
    bool pollIndicatorVisible() const { return m_pollIndicatorVisible; }
    bool watchdogActive() const { return m_watchdog.isActive(); }
    // Server bytes waiting for the rest of their frame.
    qsizetype pendingServerBytes() const { return m_socketBuffer.size(); }
    bool pollTimerActive() const { return m_pollTimer.isActive(); }

    // The error code shown after "Client error: ": the Windows socket error numbers operators and support know.
    static int socketErrorCode(QAbstractSocket::SocketError error);

public slots:
    // One frame from either source, terminator included.
    void decodeFrame(const QByteArray &frame);
    // The zero button.
    void zero();
    void watchdogTick();
    void pollTick();

signals:
    // Every frame before it is decoded, as received (the raw line viewer).
    void frameReceived(const QByteArray &frame);
    void labelChanged(const QString &text, const QString &hint);
    void statusTextChanged(const QString &text);
    void pollIndicatorChanged(bool visible);
    // A new weight: the open weighing windows take fieldText (plain decimal) unless they are in manual mode.
    void weightChanged(qint32 kilograms, const QString &fieldText);
    // There is no weight to take any more: the link fell silent or failed, or the indicator reports its load
    // beyond its range or an error.
    void weightLost();
    // The load's state or the link's liveness changed.
    void stateChanged();
    // A frame has been read: weight, state and texts are up to date.
    void frameDecoded();

private:
    WeightServer server() const;
    void setLabel(const QString &text, const QString &hint);
    void setStatus(const QString &text);
    void setPollIndicator(bool visible);
    void connectClient(const WeightServer &server);
    void socketRead();
    void socketError(QAbstractSocket::SocketError error);
    void deliverUnterminated();
    void retryTick();
    void reopenQuietly();
    void loseWeight();
    void setState(WeightState state);

    TComPort m_port;
    QTcpSocket m_client;
    QTimer m_watchdog;
    QTimer m_pollTimer;
    QTimer m_retry;
    QTimer m_connectLimit;
    QTimer m_unterminatedGap;
    WeightLinkSettings m_settings;
    std::function<WeightServer()> m_serverSource;

    qint32 m_aktsuly = 0;
    bool m_nullavolt = false;
    bool m_live = false;
    StabilityMonitor m_stability;
    WeightState m_state = WeightState::Motion;
    bool m_shownLive = false; // whether the last stateChanged was sent while the link was live
    std::function<qint64()> m_clock;
    QString m_weightText;
    QString m_labelText = QStringLiteral("..");
    QString m_labelHint;
    QString m_statusText;
    bool m_pollIndicatorVisible = false;
    QByteArray m_socketBuffer;
    // A terminator has come on this connection: a partial frame waits for its own, however long it takes.
    bool m_terminatorSeen = false;
    // The device vanished while open: every retry and watchdog tick tries to open it again until it is back.
    bool m_reopenPending = false;
    bool m_reopening = false;
};
