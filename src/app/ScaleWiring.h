#pragma once

#include <QObject>

class Kelvo;

// Wires the weight link to what the operator sees: the weight label, the link panel, the poll indicator, the zero
// button, the raw line viewer and the weight boxes of the two weighing windows.
class ScaleWiring : public QObject
{
    Q_OBJECT

public:
    explicit ScaleWiring(Kelvo &kelvo);

    // Start-up: the server settings as the settings dialog holds them, and the port of the INI file.
    void open();
    // Shutdown: an open client connection is closed.
    void close();

private:
    Kelvo &m_kelvo;
};
