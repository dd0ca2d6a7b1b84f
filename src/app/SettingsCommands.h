#pragma once

#include <QObject>

class Kelvo;

// What the settings dialog's buttons do: opening it with the values refreshed, OK's writes, Mégse, the start
// password change, the port list and the two path labels.
class SettingsCommands : public QObject
{
    Q_OBJECT

public:
    explicit SettingsCommands(Kelvo &kelvo);

    // connectionPage: the terminal window asks for the link settings first.
    void open(bool connectionPage = false);
    void accept();
    void cancel();
    void changePassword();

private:
    // Writes the dialog's values in order and stops at the first write the system refuses; that failure's message,
    // empty when everything was written.
    QString writeSettings();

    Kelvo &m_kelvo;
};
