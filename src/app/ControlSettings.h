#pragma once

#include <QList>

class Config;
class QObject;
class QWidget;
struct ConfigKey;

// Settings whose value lives, during the run, in a control of a window: one table says which control holds which
// key. Start-up loads each group at its step; shutdown writes the remembered ones back in the table's order.
class ControlSettings
{
public:
    enum class Group {
        Indicator,        // the automatic weighing interval
        WeighingDefaults, // the last percentages of the second weighing
        KeptEntries,      // the "Rögzít" boxes and the names they keep
        Dialog,           // the settings dialog's fields
        Backup,           // the settings dialog's backup choice
        Autostart,        // the automatic weighing menu mark
    };
    enum class Kind { Text, Check, EditText, Index, Radio, Date };

    struct Binding {
        const ConfigKey *key;
        QObject *control;
        Kind kind;
        Group group;
        bool remembered;            // written back at shutdown
        QObject *onlyIf = nullptr;  // loaded only when this check box is ticked
    };

    // windows: the windows by object name (kezdesform, befejezesform, ...), whose controls are found by name.
    explicit ControlSettings(const QList<QWidget *> &windows);

    void load(const Config &config, Group group) const;
    // False at the first write the system refuses; the writes after it are skipped.
    bool save(Config &config) const;

    const QList<Binding> &bindings() const { return m_bindings; }

private:
    QList<Binding> m_bindings;
};
