#include "ControlSettings.h"

#include "Config.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>

namespace {

using Group = ControlSettings::Group;
using Kind = ControlSettings::Kind;

struct Row {
    const ConfigKey &key;
    const char *window;
    const char *control;
    Kind kind;
    Group group;
    bool remembered;
    const char *onlyIf = nullptr; // a check box of the same window
};

// Remembered keys first, in the order shutdown writes them.
const Row kRows[] = {
    {Keys::tisztasag, "befejezesform", "tisztasag", Kind::Text, Group::WeighingDefaults, true},
    {Keys::fixszallito, "kezdesform", "rog_szallito", Kind::Check, Group::KeptEntries, true},
    {Keys::fixtermek, "kezdesform", "rog_termek", Kind::Check, Group::KeptEntries, true},
    {Keys::fixugyfel, "kezdesform", "rog_ugyfel", Kind::Check, Group::KeptEntries, true},
    {Keys::fixraktar, "befejezesform", "rog_raktar", Kind::Check, Group::KeptEntries, true},
    {Keys::fszallito, "kezdesform", "nev", Kind::EditText, Group::KeptEntries, true, "rog_szallito"},
    {Keys::ftermek, "kezdesform", "termeknev", Kind::EditText, Group::KeptEntries, true, "rog_termek"},
    {Keys::fugyfel, "kezdesform", "ugyfelnev", Kind::EditText, Group::KeptEntries, true, "rog_ugyfel"},
    {Keys::fraktar, "befejezesform", "raktar", Kind::EditText, Group::KeptEntries, true, "rog_raktar"},
    {Keys::autoido, "automeresform", "idobox", Kind::Index, Group::Indicator, true},
    {Keys::autoindul, "Foform", "autoindul", Kind::Check, Group::Autostart, true},
    {Keys::viztartalom, "befejezesform", "viztartalom", Kind::Text, Group::WeighingDefaults, true},
    {Keys::elvartviz, "befejezesform", "elvartviz", Kind::Text, Group::WeighingDefaults, true},
    {Keys::Autobackup, "beallitasok", "autobackup", Kind::Radio, Group::Backup, false},
    {Keys::be1, "beallitasok", "be1", Kind::Text, Group::Dialog, false},
    {Keys::be2, "beallitasok", "be2", Kind::Text, Group::Dialog, false},
    {Keys::ki1, "beallitasok", "ki1", Kind::Text, Group::Dialog, false},
    {Keys::ki2, "beallitasok", "ki2", Kind::Text, Group::Dialog, false},
    {Keys::Printmode, "beallitasok", "hogynyomtat", Kind::Radio, Group::Dialog, false},
    {Keys::micraorden, "beallitasok", "orden", Kind::Check, Group::Dialog, false},
    {Keys::bilanciai, "beallitasok", "bilanciai", Kind::Check, Group::Dialog, false},
    {Keys::lekerdez, "beallitasok", "lekerdez", Kind::Check, Group::Dialog, false},
    {Keys::hostport, "beallitasok", "hostport", Kind::Text, Group::Dialog, false},
    {Keys::hostip, "beallitasok", "hostip", Kind::Text, Group::Dialog, false},
    {Keys::sulylekerdez, "beallitasok", "sulylekerdez", Kind::Check, Group::Dialog, false},
    {Keys::hitlejar, "beallitasok", "hit_date", Kind::Date, Group::Dialog, false},
};

// A radio group's buttons are named after the group with "_0", "_1", ...
QList<QRadioButton *> radioItems(const QObject *group)
{
    QList<QRadioButton *> items;
    for (int i = 0;; ++i) {
        auto *item = group->findChild<QRadioButton *>(group->objectName() + QLatin1Char('_') + QString::number(i));
        if (!item)
            return items;
        items.append(item);
    }
}

QObject *findControl(const QList<QWidget *> &windows, const char *window, const char *control)
{
    for (QWidget *w : windows) {
        if (w->objectName() != QLatin1String(window))
            continue;
        if (auto *found = w->findChild<QObject *>(QLatin1String(control)))
            return found;
    }
    qFatal("settings table: no control %s.%s", window, control);
}

bool checked(const QObject *control)
{
    return control->property("checked").toBool();
}

} // namespace

ControlSettings::ControlSettings(const QList<QWidget *> &windows)
{
    for (const Row &row : kRows) {
        m_bindings.append({&row.key, findControl(windows, row.window, row.control), row.kind, row.group,
                           row.remembered,
                           row.onlyIf ? findControl(windows, row.window, row.onlyIf) : nullptr});
    }
}

void ControlSettings::load(const Config &config, Group group) const
{
    for (const Binding &b : m_bindings) {
        if (b.group != group || (b.onlyIf && !checked(b.onlyIf)))
            continue;
        const ConfigKey &key = *b.key;
        switch (b.kind) {
        case Kind::Text:
            b.control->setProperty("text", config.string(key));
            break;
        case Kind::Check:
            b.control->setProperty("checked", config.boolean(key));
            break;
        case Kind::EditText:
            // Setting the text runs the box's change handler, which fills the dependent fields.
            static_cast<QComboBox *>(b.control)->setEditText(config.string(key));
            break;
        case Kind::Index:
            b.control->setProperty("currentIndex", int(config.integer(key)));
            break;
        case Kind::Radio: {
            const QList<QRadioButton *> items = radioItems(b.control);
            const qint64 index = config.integer(key);
            if (index >= 0 && index < items.size())
                items.at(int(index))->setChecked(true);
            break;
        }
        case Kind::Date: {
            // An absent or unreadable date keeps the picker's preset.
            auto *edit = static_cast<QDateEdit *>(b.control);
            edit->setDate(config.ini().readDate(QLatin1String(key.section), QLatin1String(key.name), edit->date()));
            break;
        }
        }
    }
}

bool ControlSettings::save(Config &config) const
{
    for (const Binding &b : m_bindings) {
        if (!b.remembered)
            continue;
        bool ok = true;
        switch (b.kind) {
        case Kind::Text:
            ok = config.setString(*b.key, b.control->property("text").toString());
            break;
        case Kind::Check:
            ok = config.setBoolean(*b.key, checked(b.control));
            break;
        case Kind::EditText:
            ok = config.setString(*b.key, static_cast<QComboBox *>(b.control)->currentText());
            break;
        case Kind::Index:
            ok = config.setInteger(*b.key, b.control->property("currentIndex").toInt());
            break;
        case Kind::Radio:
        case Kind::Date:
            break; // written by the settings dialog's OK, not at shutdown
        }
        if (!ok)
            return false;
    }
    return true;
}
