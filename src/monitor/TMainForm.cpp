#include "TMainForm.h"

#include "TAboutBox.h"
#include "TIniFile.h"
#include "MonitorFormat.h"
#include "ProgramFolder.h"
#include "ui_TMainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QSaveFile>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace sorvik {

namespace {

const QString configSection = QStringLiteral("Config");
const QString portsSection = QStringLiteral("Ports");
const QString poweroff = QStringLiteral("poweroff");
const QString poweron = QStringLiteral("poweron");
const QString imandada = QStringLiteral("Imandada");

// QElapsedTimer counts nanoseconds.
constexpr std::int64_t counterFrequency = 1'000'000'000;

} // namespace

TMainForm::TMainForm(QWidget *parent)
    : QMainWindow(parent),
      m_ui(std::make_unique<Ui::TMainForm>()),
      m_timer(new QTimer(this)),
      m_finComando(new QTimer(this)),
      m_pulseTimer(counterFrequency, [this] { return m_clock.nsecsElapsed(); })
{
    m_ui->setupUi(this);
    m_clock.start();

    m_ui->RGPuerto->setItems({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}, 2);
    m_ui->RGAnchura->setItems({"5 bits", "6 bits", "7 bits", "8 bits"});
    m_ui->RGStopbits->setItems({"1", "1.5", "2"});
    m_ui->RGParidad->setItems({"None", "Odd", "Even", "Mark", "Space"});
    m_ui->RGHardHandshack->setItems({"None", "RTS/CTS"});
    m_ui->RGSoftHandshack->setItems({"None", "Xon/Xoff"});
    m_ui->CBVelocidad->addItems({"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400",
                                 "56000", "57600", "115200"});
    m_ui->RGPuerto->setItemIndex(0);
    m_ui->RGAnchura->setItemIndex(3);
    m_ui->RGStopbits->setItemIndex(0);
    m_ui->RGParidad->setItemIndex(0);
    m_ui->RGHardHandshack->setItemIndex(0);
    m_ui->RGSoftHandshack->setItemIndex(0);
    m_ui->CBVelocidad->setCurrentIndex(6);

    // Precise timers: a coarse one may fire early, which would split bursts and shorten the power-up steps.
    m_timer->setObjectName(QStringLiteral("Timer"));
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(300);
    m_finComando->setObjectName(QStringLiteral("FinComando"));
    m_finComando->setTimerType(Qt::PreciseTimer);
    m_finComando->setInterval(100);

    m_comPort.setObjectName(QStringLiteral("ComPort"));
    m_comPort.SetEvents({evRxChar, evRLSD});
    m_comPort.SetSyncMethod(smSynchronize);
    m_comPort.OnRxChar = [this](TComPort *, int inQue) { guarded([&] { ComPortRxChar(inQue); }); };
    m_comPort.OnRLSD = [this](TComPort *) { guarded([&] { ComPortRLSD(); }); };

    connect(m_ui->BOpen, &QPushButton::clicked, this, [this] {
        guarded([&] {
            if (m_ui->BOpen->text() == QLatin1String("&Open"))
                OpenPort();
            else
                ClosePort();
        });
    });
    connect(m_ui->BCopy, &QPushButton::clicked, this, [this] {
        m_ui->Memo1->selectAll();
        m_ui->Memo1->copy();
    });
    connect(m_ui->BClear, &QPushButton::clicked, m_ui->Memo1, &QPlainTextEdit::clear);
    connect(m_ui->MOpen, &QAction::triggered, this, [this] { guarded([&] { OpenPort(); }); });
    connect(m_ui->MClose, &QAction::triggered, this, [this] { guarded([&] { ClosePort(); }); });

    const std::pair<TRadioGroup *, Setting> groups[] = {
        {m_ui->RGPuerto, Setting::Port},
        {m_ui->RGAnchura, Setting::DataWidth},
        {m_ui->RGParidad, Setting::Parity},
        {m_ui->RGHardHandshack, Setting::HardHandshake},
        {m_ui->RGSoftHandshack, Setting::SoftHandshake},
        {m_ui->RGStopbits, Setting::StopBits},
    };
    for (const auto &[group, setting] : groups)
        connect(group, &TRadioGroup::itemClicked, this, [this, setting = setting] { settingChanged(setting); });
    connect(m_ui->CBVelocidad, &QComboBox::activated, this, [this] { settingChanged(Setting::Speed); });
    connect(m_ui->ChBxDTR, &QCheckBox::toggled, this, [this] { guarded([&] { modemBoxClicked(); }); });
    connect(m_ui->ChBxRTS, &QCheckBox::toggled, this, [this] { guarded([&] { modemBoxClicked(); }); });

    connect(m_timer, &QTimer::timeout, this, [this] { guarded([&] { TimerTimer(); }); });
    connect(m_finComando, &QTimer::timeout, this, &TMainForm::FinComandoTimer);

    for (QAction *action : {m_ui->MDecimal, m_ui->MHexadecimal, m_ui->MASCII})
        connect(action, &QAction::triggered, this, [this, action] { displayChosen(action); });
    connect(m_ui->MSave, &QAction::triggered, this, &TMainForm::saveClicked);
    connect(m_ui->MExit, &QAction::triggered, this, &QWidget::close);
    connect(m_ui->MAbout, &QAction::triggered, this, &TMainForm::aboutClicked);

    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                    QGuiApplication::primaryScreen()->availableGeometry()));
}

TMainForm::~TMainForm()
{
    endWaitCursor();
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_started) {
        m_started = true;
        // After the window is on screen, so a message box of the start has a window to stand over.
        QMetaObject::invokeMethod(this, [this] { guarded([&] { Start(); }); }, Qt::QueuedConnection);
    }
}

void TMainForm::Start()
{
    m_ini = std::make_unique<TIniFile>(programFolder() + QStringLiteral("Sorvikmon.ini"));
    for (int port = COM1; port <= COM8; ++port) {
        const QString device = m_ini->ReadString(portsSection, QStringLiteral("COM%1").arg(port + 1), QString());
        m_comPort.SetDevicePath(TPortType(port), device);
    }

    const std::tuple<TRadioGroup *, Setting, const char *, int> groups[] = {
        {m_ui->RGPuerto, Setting::Port, "Port", 0},
        {m_ui->RGAnchura, Setting::DataWidth, "DataWidth", 3},
        {m_ui->RGParidad, Setting::Parity, "Parity", 0},
        {m_ui->RGHardHandshack, Setting::HardHandshake, "HardHandshack", 0},
        {m_ui->RGSoftHandshack, Setting::SoftHandshake, "SoftHandshack", 0},
        {m_ui->RGStopbits, Setting::StopBits, "StopBits", 0},
    };
    for (const auto &[group, setting, key, fallback] : groups) {
        group->setItemIndex(m_ini->ReadInteger(configSection, QLatin1String(key), fallback));
        settingChanged(setting);
    }
    // An index outside the list leaves no item chosen.
    const int speed = m_ini->ReadInteger(configSection, QStringLiteral("Speed"), 6);
    m_ui->CBVelocidad->setCurrentIndex(speed >= 0 && speed < m_ui->CBVelocidad->count() ? speed : -1);
    settingChanged(Setting::Speed);

    m_ui->ChBxDTR->setChecked(m_ini->ReadBool(configSection, QStringLiteral("DTR"), true));
    m_ui->ChBxRTS->setChecked(m_ini->ReadBool(configSection, QStringLiteral("RTS"), true));

    // As stored, even several at once; decimal then wins when a burst is shown.
    m_ui->MDecimal->setChecked(m_ini->ReadBool(configSection, QStringLiteral("Decimal"), true));
    m_ui->MHexadecimal->setChecked(m_ini->ReadBool(configSection, QStringLiteral("Hexadecimal"), false));
    m_ui->MASCII->setChecked(m_ini->ReadBool(configSection, QStringLiteral("ASCII"), false));

    if (m_ini->ReadBool(configSection, QStringLiteral("Opened"), false))
        OpenPort();
}

void TMainForm::OpenPort()
{
    if (!m_comPort.Open()) {
        tell(QMessageBox::Warning, QStringLiteral("Serial port problem"),
             QStringLiteral("The serial port selected is being used by another application."));
        return;
    }
    setWindowTitle(QStringLiteral("Sorvik (COM%1 opened)").arg(m_ui->RGPuerto->itemIndex() + 1));
    m_ui->MClose->setEnabled(true);
    m_ui->MOpen->setEnabled(false);
    m_ui->BOpen->setText(QStringLiteral("Cl&ose"));
    m_comPort.SetDTR(false);
    m_comPort.SetRTS(false);
    m_powerState = poweroff;
    m_timer->setInterval(300);
    m_timer->start();
    beginWaitCursor();
}

void TMainForm::ClosePort()
{
    m_comPort.Close();
    setWindowTitle(QStringLiteral("Sorvik (COM%1 closed)").arg(m_ui->RGPuerto->itemIndex() + 1));
    m_ui->MClose->setEnabled(false);
    m_ui->MOpen->setEnabled(true);
    m_ui->BOpen->setText(QStringLiteral("&Open"));
}

void TMainForm::settingChanged(Setting setting)
{
    guarded([&] {
        const bool wasOpen = m_comPort.Connected();
        ClosePort();
        applySetting(setting);
        if (wasOpen)
            OpenPort();
    });
}

void TMainForm::applySetting(Setting setting)
{
    switch (setting) {
    case Setting::Port:
        m_comPort.SetPort(TPortType(m_ui->RGPuerto->itemIndex()));
        break;
    case Setting::DataWidth:
        m_comPort.SetDataBits(TDataBits(m_ui->RGAnchura->itemIndex()));
        break;
    case Setting::Parity:
        m_comPort.Parity().SetBits(TParityBits(m_ui->RGParidad->itemIndex()));
        break;
    case Setting::StopBits:
        m_comPort.SetStopBits(TStopBits(m_ui->RGStopbits->itemIndex()));
        break;
    case Setting::Speed:
        m_comPort.SetBaudRate(TBaudRate(m_ui->CBVelocidad->currentIndex()));
        break;
    case Setting::HardHandshake: {
        const bool rtsCts = m_ui->RGHardHandshack->itemIndex() == 1;
        TFlowControl &flow = m_comPort.FlowControl();
        flow.SetOutCtsFlow(rtsCts);
        flow.SetOutDsrFlow(rtsCts);
        flow.SetControlDtr(rtsCts ? dtrEnable : dtrDisable);
        flow.SetControlRts(rtsCts ? rtsHandshake : rtsDisable);
        break;
    }
    case Setting::SoftHandshake: {
        const bool xonXoff = m_ui->RGSoftHandshack->itemIndex() == 1;
        m_comPort.FlowControl().SetXonXoffOut(xonXoff);
        m_comPort.FlowControl().SetXonXoffIn(xonXoff);
        break;
    }
    }
}

void TMainForm::modemBoxClicked()
{
    // Reopening reruns the power-up, which raises the lines as they are now ticked.
    if (!m_comPort.Connected())
        return;
    ClosePort();
    OpenPort();
}

void TMainForm::TimerTimer()
{
    m_timer->stop();
    // A port closed during the power-up has nothing left to power: end the sequence instead of sending
    // to a closed port.
    if (!m_comPort.Connected()) {
        endWaitCursor();
        return;
    }
    try {
        if (m_powerState == imandada) {
            m_comPort.WriteString("R", true);
            endWaitCursor();
        } else if (m_powerState == poweron) {
            m_comPort.WriteString("I", true);
            m_powerState = imandada;
            m_timer->setInterval(100);
            m_timer->start();
        } else if (m_powerState == poweroff) {
            if (m_ui->ChBxDTR->isChecked())
                m_comPort.SetDTR(true);
            if (m_ui->ChBxRTS->isChecked())
                m_comPort.SetRTS(true);
            m_powerState = poweron;
            m_timer->start();
        }
    } catch (...) {
        endWaitCursor();   // the sequence has ended with the error
        throw;
    }
}

void TMainForm::ComPortRxChar(int inQue)
{
    QByteArray received;
    const int count = m_comPort.ReadString(received, inQue, true);
    // Only the bytes actually read; the rest of the string is padding.
    for (int i = 0; i < count; ++i)
        storeValue(std::uint8_t(received[i]));
}

void TMainForm::ComPortRLSD()
{
    if (!m_comPort.CarrierDetect())
        return;
    if (const auto interval = m_pulseTimer.pulse())
        storeValue(*interval);
}

void TMainForm::storeValue(std::int32_t value)
{
    // A full buffer ends its burst at once, so no value is lost or overwritten.
    if (m_captureBuffer.full())
        FinComandoTimer();
    m_captureBuffer.append(value);
    // A running timer is not restarted: a burst ends 100 ms after its first value.
    if (!m_finComando->isActive())
        m_finComando->start();
}

void TMainForm::FinComandoTimer()
{
    const QString text = formatBurst(m_captureBuffer.values(),
                                     displayModeFor(m_ui->MDecimal->isChecked(), m_ui->MHexadecimal->isChecked()));
    // Bursts that end while the lines have just been raised are the device's power-up noise.
    if (m_powerState != poweron)
        m_ui->Memo1->appendPlainText(text);
    m_captureBuffer.clear();
    m_finComando->stop();
}

void TMainForm::displayChosen(QAction *chosen)
{
    for (QAction *action : {m_ui->MDecimal, m_ui->MHexadecimal, m_ui->MASCII})
        action->setChecked(action == chosen);
}

void TMainForm::saveClicked()
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setNameFilters({QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*.*)")});
    dialog.setDirectory(programFolder());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        saveDataReceived(dialog.selectedFiles().constFirst());
}

bool TMainForm::saveDataReceived(const QString &path)
{
    QString text = m_ui->Memo1->toPlainText();
    if (!text.isEmpty())
        text += u'\n';
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    // flush() first: commit() does not report a buffered write that fails (a full disk).
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() && file.commit())
        return true;
    tell(QMessageBox::Critical, QStringLiteral("Sorvik"),
         QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    return false;
}

void TMainForm::aboutClicked()
{
    TAboutBox about(this);
    about.exec();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    writeSettings();
    QMainWindow::closeEvent(event);
}

void TMainForm::writeSettings()
{
    if (!m_ini)
        return;   // never started, so nothing was read that could be written back
    const std::pair<const char *, int> integers[] = {
        {"Port", m_ui->RGPuerto->itemIndex()},
        {"DataWidth", m_ui->RGAnchura->itemIndex()},
        {"Parity", m_ui->RGParidad->itemIndex()},
        {"HardHandshack", m_ui->RGHardHandshack->itemIndex()},
        {"SoftHandshack", m_ui->RGSoftHandshack->itemIndex()},
        {"StopBits", m_ui->RGStopbits->itemIndex()},
        {"Speed", m_ui->CBVelocidad->currentIndex()},
    };
    const std::pair<const char *, bool> booleans[] = {
        {"DTR", m_ui->ChBxDTR->isChecked()},
        {"RTS", m_ui->ChBxRTS->isChecked()},
        {"Decimal", m_ui->MDecimal->isChecked()},
        {"Hexadecimal", m_ui->MHexadecimal->isChecked()},
        {"ASCII", m_ui->MASCII->isChecked()},
        {"Opened", m_comPort.Connected()},
    };
    bool written = true;
    for (const auto &[key, value] : integers)
        written = m_ini->WriteInteger(configSection, QLatin1String(key), value) && written;
    for (const auto &[key, value] : booleans)
        written = m_ini->WriteBool(configSection, QLatin1String(key), value) && written;
    if (!written)
        tell(QMessageBox::Critical, QStringLiteral("Sorvik"),
             QStringLiteral("Cannot write file \"%1\".").arg(m_ini->path()));
    m_ini.reset();
}

void TMainForm::beginWaitCursor()
{
    if (m_waitCursor)
        return;
    m_waitCursor = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TMainForm::endWaitCursor()
{
    if (!m_waitCursor)
        return;
    m_waitCursor = false;
    QApplication::restoreOverrideCursor();
}

void TMainForm::guarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const EComPort &e) {
        tell(QMessageBox::Critical, QStringLiteral("Sorvik"), e.message());
    } catch (const EGenericAlg &e) {
        tell(QMessageBox::Critical, QStringLiteral("Sorvik"), e.message());
    }
}

void TMainForm::tell(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    if (m_messageSink) {
        m_messageSink(icon, title, text);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, this);
    box.exec();
}

} // namespace sorvik
