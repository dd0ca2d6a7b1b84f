#pragma once

#include <QString>

#include <memory>

class ControlSettings;
class Kelvo;
namespace WorkerCall {
class Busy;
}

// The start-up of the program: the steps when the main window is first shown, and the initialisation it posts
// itself (database checks, settings into the windows, the weight link, the start password).
class StartupSequence
{
public:
    StartupSequence(Kelvo &kelvo, ControlSettings &controls);

    void firstShow();
    // Every time the main window is shown.
    void everyShow();
    void initialise();

    // The settings dialog's values, as at start-up and on its "Mégse" (with their messages).
    void loadDialogValues();
    // Shows the warning when the calibration expires within 30 days or has expired.
    void calibrationCheck();
    // The trust settings into the trail when they differ from what this station last recorded (a message when the
    // trail cannot be written).
    void recordTrustSettings();

private:
    // The steps after the database checks, each once the one before has run on the worker.
    void maintain(const QString &path);
    void openDatabase(const QString &path);
    // The operator cancelled start-up's database work: the program ends.
    void abandon();
    void carryOn();
    void applyIndicatorSettings();
    void applyWindowOptions();
    bool passStartPassword();

    Kelvo &m_kelvo;
    ControlSettings &m_controls;
    // The main window's commands are off until the database is open.
    std::shared_ptr<WorkerCall::Busy> m_busy;
};
