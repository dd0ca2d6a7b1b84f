#pragma once

#include "TCaptureBuffer.h"
#include "TComPort.h"
#include "TPulseTimer.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMessageBox>

#include <functional>
#include <memory>

class QTimer;

namespace Ui {
class TMainForm;
}

namespace sorvik {

class TIniFile;

// The monitor's one window: opens a port with the chosen settings, powers the device up through DTR and RTS,
// and shows every burst of received bytes (or carrier-detect pulse intervals) as one line.
class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    // Shows a message to the user; replaced by tests, which cannot answer a modal box.
    using MessageSink = std::function<void(QMessageBox::Icon icon, const QString &title, const QString &text)>;

    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    TComPort &ComPort() { return m_comPort; }
    const QString &powerState() const { return m_powerState; }
    bool started() const { return m_started; }
    void setMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }

    // Writes the lines of the received-data box to a text file; false (after telling the user) on failure.
    bool saveDataReceived(const QString &path);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Setting { Port, DataWidth, Parity, HardHandshake, SoftHandshake, StopBits, Speed };

    void Start();
    void OpenPort();
    void ClosePort();
    void settingChanged(Setting setting);
    void applySetting(Setting setting);
    void modemBoxClicked();
    void TimerTimer();
    void FinComandoTimer();
    void ComPortRxChar(int inQue);
    void ComPortRLSD();
    void storeValue(std::int32_t value);
    void displayChosen(QAction *chosen);
    void saveClicked();
    void aboutClicked();
    void writeSettings();
    void beginWaitCursor();
    void endWaitCursor();
    // Runs a handler; a driver error ends it and reaches the user as a message, as the program carries on.
    void guarded(const std::function<void()> &handler);
    void tell(QMessageBox::Icon icon, const QString &title, const QString &text);

    std::unique_ptr<Ui::TMainForm> m_ui;
    TComPort m_comPort;
    QTimer *m_timer;
    QTimer *m_finComando;
    TCaptureBuffer m_captureBuffer;
    QString m_powerState;
    QElapsedTimer m_clock;
    TPulseTimer m_pulseTimer;
    std::unique_ptr<TIniFile> m_ini;
    MessageSink m_messageSink;
    bool m_started = false;
    bool m_waitCursor = false;
};

} // namespace sorvik
