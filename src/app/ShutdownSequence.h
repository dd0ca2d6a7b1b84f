#pragma once

class ControlSettings;
class Kelvo;

// The remembered values written when the main window closes: the in-progress list's column widths, the window
// places, and the settings that live in controls. A refused write is reported once and skips the rest.
class ShutdownSequence
{
public:
    ShutdownSequence(Kelvo &kelvo, const ControlSettings &controls);

    void run();

private:
    bool writeAll();

    Kelvo &m_kelvo;
    const ControlSettings &m_controls;
};
