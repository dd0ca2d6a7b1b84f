#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class TComPort;

// What the port settings dialog collects: the text selected in each list (empty when nothing is selected) and the
// terminator text.
struct PortSettingsChoice {
    QString comport;
    QString databits;
    QString baudrate;
    QString parity;   // enumeration name without "pt": "NONE", "EVEN", ...
    QString stopbits; // enumeration name without "sb": "ONE", "ONE5", "TWO"
    QString terminator;
};

// Why a choice cannot be used: the message for the operator and the object name of the control to focus.
struct PortSettingsRefusal {
    QString message;
    QString field;
};

// The rules of the port settings dialog, apart from the window.
namespace PortSettings {

QStringList dataBitsItems();
QStringList baudRateItems();
QStringList parityItems();
QStringList stopBitsItems();
QStringList terminatorItems();

// The component's current values as the dialog shows them; the dialog selects each text where its list holds it.
PortSettingsChoice current(const TComPort &port);

// Every list needs a selection and the terminator must be valid #-notation. Checked before anything is touched,
// so that a refused choice leaves the running port as it was.
std::optional<PortSettingsRefusal> validate(const PortSettingsChoice &choice);

// Validates; then closes the port, applies the choice and opens the port again once settleMs have passed.
// The caller saves the settings afterwards (SaveSettings).
std::optional<PortSettingsRefusal> apply(TComPort &port, const PortSettingsChoice &choice, int settleMs = 100);

} // namespace PortSettings
