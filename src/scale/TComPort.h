#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class IniFile;
class TCommThread;
struct CommEvent;

// The serial port of the scale link. Owns one port; each Open starts the waiting threads of that opening, and
// every delivery, event and operation happens on the thread that owns the component (the user-interface thread).
// Events are assignable handlers: an unassigned ReceiveCallBack means received bytes are dropped.
class TComPort : public QObject
{
    Q_OBJECT

public:
    enum TParity : int { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
    enum TStopBit : int { sbONE, sbONE5, sbTWO };
    enum TReceiveMode : int { rmRAW, rmTERM };

    using TNotifyEvent = std::function<void(TComPort &sender)>;
    using TReceiveProc = std::function<void(const QByteArray &data)>;
    using TStatusChanged = std::function<void(bool status)>;

    // Received bytes kept while waiting for a terminator; the oldest bytes go beyond this.
    static constexpr qsizetype kLineBufferLimit = 64 * 1024;

    explicit TComPort(QObject *owner = nullptr, const QString &name = QStringLiteral("ComPort1"));
    ~TComPort() override;

    QString Name() const { return objectName(); }

    QString Port() const { return m_port; }
    void setPort(const QString &port) { m_port = port; }
    quint32 Baud() const { return m_baud; }
    void setBaud(quint32 baud) { m_baud = baud; }
    quint8 DataBits() const { return m_dataBits; }
    void setDataBits(quint8 bits) { m_dataBits = bits; }
    TParity Parity() const { return m_parity; }
    void setParity(TParity parity) { m_parity = parity; }
    TStopBit StopBits() const { return m_stopBits; }
    void setStopBits(TStopBit stopBits) { m_stopBits = stopBits; }
    // Requested driver queue sizes. Linux tty drivers size their queues themselves; the values are kept for the
    // settings only.
    quint32 WinQSizeIn() const { return m_qSizeIn; }
    void setWinQSizeIn(quint32 size) { m_qSizeIn = size; }
    quint32 WinQSizeOut() const { return m_qSizeOut; }
    void setWinQSizeOut(quint32 size) { m_qSizeOut = size; }
    TReceiveMode ReceiveMode() const { return m_receiveMode; }
    void setReceiveMode(TReceiveMode mode) { m_receiveMode = mode; }

    // #-notation. The setter throws EComError for a text that is not valid notation, after setting CR LF.
    QString Terminator() const;
    void setTerminator(const QString &notation);
    const QByteArray &terminatorBytes() const { return m_terminator; }

    void Open();
    void Close();
    bool Connected() const { return m_connected; }
    // The device went away while open (an unplugged USB adapter): nothing more arrives until Close and Open.
    bool deviceLost() const { return m_deviceLost; }

    void SendString(const QByteArray &data);
    void SetDTR(bool on);
    void SetRTS(bool on);

    void SaveSettings(IniFile *ini) const;
    void LoadSettings(IniFile *ini, bool openAfterwards);

    // Bytes received in terminator mode and not yet delivered; they survive Close and Open.
    const QByteArray &lineBuffer() const { return m_lineBuffer; }

    static QString parityName(TParity parity);
    static QString stopBitsName(TStopBit stopBits);
    // An unknown name gives a value outside the enumeration, which Open's line settings refuse.
    static TParity parityFromName(const QString &name);
    static TStopBit stopBitsFromName(const QString &name);

    TNotifyEvent OnPortOpen;
    TNotifyEvent OnPortClose;
    TReceiveProc ReceiveCallBack;
    TStatusChanged OnCTSChanged;
    TStatusChanged OnDSRChanged;
    TStatusChanged OnRingChanged;
    TStatusChanged OnRLSDChanged;
    TNotifyEvent OnError;

private:
    void closePort(bool notify);
    void applyLineSettings(int fd) const;
    void dispatch(const CommEvent &event);
    void receiveNotification(const QByteArray &data);
    void statusNotification(int changedLines, int lineStatus, bool lineError);
    bool lineErrorsSinceLastLook();
    void writePending();

    QString m_port = QStringLiteral("COM1");
    quint32 m_baud = 9600;
    quint8 m_dataBits = 8;
    TParity m_parity = ptNONE;
    TStopBit m_stopBits = sbONE;
    quint32 m_qSizeIn = 8192;
    quint32 m_qSizeOut = 8192;
    TReceiveMode m_receiveMode = rmTERM;
    QByteArray m_terminator = QByteArrayLiteral("\r\n");

    bool m_connected = false;
    bool m_deviceLost = false;
    QByteArray m_lineBuffer;
    QByteArray m_pendingOutput;
    std::shared_ptr<TCommThread> m_thread;
    // Line error counters at the last look (frame, overrun, parity, break, buffer overrun).
    std::array<int, 5> m_errorCounts{};
};
