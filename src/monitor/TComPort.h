#pragma once

#include "TStack.h"
#include "ComTypes.h"
#include "TOperation.h"
#include "UniqueFd.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

namespace sorvik {

class TComPort;
class TComThread;

using TNotifyEvent = std::function<void(TComPort *sender)>;
using TRxCharEvent = std::function<void(TComPort *sender, int inQue)>;

// Parity settings; a change re-applies the line settings of an open port.
class TParity
{
public:
    explicit TParity(TComPort &owner) : m_owner(owner) {}
    TParityBits Bits() const { return m_bits; }
    void SetBits(TParityBits value);
    bool Check() const { return m_check; }
    void SetCheck(bool value);
    bool Replace() const { return m_replace; }
    void SetReplace(bool value);
    std::uint8_t ReplaceChar() const { return m_replaceChar; }
    void SetReplaceChar(std::uint8_t value);

private:
    TComPort &m_owner;
    TParityBits m_bits = prNone;
    bool m_check = false;
    bool m_replace = false;
    std::uint8_t m_replaceChar = 0;
};

// Flow control settings; a change re-applies the line settings of an open port.
class TFlowControl
{
public:
    explicit TFlowControl(TComPort &owner) : m_owner(owner) {}
    bool OutCtsFlow() const { return m_outCtsFlow; }
    void SetOutCtsFlow(bool value);
    bool OutDsrFlow() const { return m_outDsrFlow; }
    void SetOutDsrFlow(bool value);
    TDtrFlowControl ControlDtr() const { return m_controlDtr; }
    void SetControlDtr(TDtrFlowControl value);
    TRtsFlowControl ControlRts() const { return m_controlRts; }
    void SetControlRts(TRtsFlowControl value);
    bool XonXoffOut() const { return m_xonXoffOut; }
    void SetXonXoffOut(bool value);
    bool XonXoffIn() const { return m_xonXoffIn; }
    void SetXonXoffIn(bool value);

private:
    TComPort &m_owner;
    bool m_outCtsFlow = false;
    bool m_outDsrFlow = false;
    TDtrFlowControl m_controlDtr = dtrDisable;
    TRtsFlowControl m_controlRts = rtsDisable;
    bool m_xonXoffOut = false;
    bool m_xonXoffIn = false;
};

// Read and write timeouts in milliseconds; -1 stands for all bits set.
class TComTimeouts
{
public:
    explicit TComTimeouts(TComPort &owner) : m_owner(owner) {}
    int ReadInterval() const { return m_readInterval; }
    void SetReadInterval(int value);
    int ReadTotalMultiplier() const { return m_readTotalMultiplier; }
    void SetReadTotalMultiplier(int value);
    int ReadTotalConstant() const { return m_readTotalConstant; }
    void SetReadTotalConstant(int value);
    int WriteTotalMultiplier() const { return m_writeTotalMultiplier; }
    void SetWriteTotalMultiplier(int value);
    int WriteTotalConstant() const { return m_writeTotalConstant; }
    void SetWriteTotalConstant(int value);

    TTimeoutValues values() const;

private:
    TComPort &m_owner;
    int m_readInterval = -1;
    int m_readTotalMultiplier = 0;
    int m_readTotalConstant = 0;
    int m_writeTotalMultiplier = 100;
    int m_writeTotalConstant = 1000;
};

// A serial port with an event thread. COM1..COM8 are /dev/ttyS0..7 unless given another device.
class TComPort : public QObject
{
    Q_OBJECT

public:
    explicit TComPort(QObject *parent = nullptr);
    ~TComPort() override;

    TBaudRate BaudRate() const { return m_baudRate; }
    void SetBaudRate(TBaudRate value);
    TPortType Port() const { return m_port; }
    void SetPort(TPortType value);
    TParity &Parity() { return m_parity; }
    const TParity &Parity() const { return m_parity; }
    TStopBits StopBits() const { return m_stopBits; }
    void SetStopBits(TStopBits value);
    TDataBits DataBits() const { return m_dataBits; }
    void SetDataBits(TDataBits value);
    bool DiscardNull() const { return m_discardNull; }
    void SetDiscardNull(bool value);
    std::uint8_t EventChar() const { return m_eventChar; }
    void SetEventChar(std::uint8_t value);
    TEvents Events() const { return m_events; }
    void SetEvents(TEvents value) { m_events = value; }
    int WriteBufSize() const { return m_writeBufSize; }
    void SetWriteBufSize(int value);
    int ReadBufSize() const { return m_readBufSize; }
    void SetReadBufSize(int value);
    TFlowControl &FlowControl() { return m_flowControl; }
    const TFlowControl &FlowControl() const { return m_flowControl; }
    TComTimeouts &Timeouts() { return m_timeouts; }
    const TComTimeouts &Timeouts() const { return m_timeouts; }
    // With smNone the handlers run on the event thread; they must not close the port, as Close waits for
    // that thread to end.
    TSyncMethod SyncMethod() const { return m_syncMethod; }
    void SetSyncMethod(TSyncMethod value);

    TRxCharEvent OnRxChar;
    TNotifyEvent OnTxEmpty, OnBreak, OnRing, OnCTS, OnDSR, OnRLSD, OnRxFlag, OnError, OnOpen, OnClose, OnRx80Full;

    // The device a port item opens; an empty path leaves the default.
    QString DevicePath(TPortType port) const;
    void SetDevicePath(TPortType port, const QString &path);

    bool Open();
    void Close();
    bool Connected() const { return m_connected; }
    bool HasEventThread() const { return m_thread != nullptr; }

    int WriteString(const QByteArray &bytes, bool wait);
    // For a read left pending, str must stay alive until the read is waited for or aborted.
    int ReadString(QByteArray &str, int count, bool wait);
    int WaitForLastAsync();
    void AbortAllAsync();
    int PendingCount() const { return m_stack.size(); }

    int InputCount();
    bool CarrierDetect();
    void SetDTR(bool on);
    void SetRTS(bool on);

    // The line-settings record the port gets from the current properties.
    TDcb BuildDCB() const;

    // Re-applies settings after a property change; no-ops while closed.
    void ApplyDCB();
    void ApplyBuffers();
    void ApplyTimeouts();

protected:
    bool event(QEvent *e) override;

private:
    friend class TComWindow;
    void dispatchEvents(std::uint32_t bits);
    std::unique_ptr<TOperation> finish(std::unique_ptr<TOperation> op, const char *failureText);

    TBaudRate m_baudRate = br9600;
    TPortType m_port = COM1;
    TParity m_parity {*this};
    TStopBits m_stopBits = sbOneStopBit;
    TDataBits m_dataBits = dbEight;
    bool m_discardNull = false;
    std::uint8_t m_eventChar = 0;
    TEvents m_events = TEvents::all();
    int m_writeBufSize = 1024;
    int m_readBufSize = 1024;
    TFlowControl m_flowControl {*this};
    TComTimeouts m_timeouts {*this};
    TSyncMethod m_syncMethod = smSynchronize;

    std::array<QString, 8> m_devicePaths;
    UniqueFd m_fd;
    bool m_connected = false;
    QObject *m_window = nullptr;   // child of the port, the hand-over target of smWindow
    std::unique_ptr<TComThread> m_thread;
    TStack m_stack;
    // Bytes reads have taken from the port; with the queue length it tells the event thread of new input.
    std::atomic<std::uint64_t> m_consumed {0};
};

} // namespace sorvik
