#pragma once

#include "TransportSearch.h"

#include <QList>
#include <QSqlDatabase>
#include <QStringList>

#include <optional>

class IniFile;
class QWidget;

namespace Ui {
class TSzallitasokform;
}

// The search window's filter controls: how they are set up, how their lists are read and filled, and the filter they
// hold. The window runs the commands; this is what its controls mean.
namespace TransportFilterControls {

// The fixed lists, limits and validators, and the quick search's note, once for the window's life.
void setUp(QWidget *form, Ui::TSzallitasokform &ui);

// The lists of the first page, and those of the "Egyéb" page, which are read when it is first shown.
QStringList mainLists();
QStringList otherLists();
// Every list offers "<mindegy>" alone until it is read.
void resetLists(const QWidget *form);
// The values of the columns' lists, on the database worker.
QList<QStringList> readLists(const QSqlDatabase &db, const QStringList &columns);
// The lists read; what the operator typed meanwhile stays.
void fillLists(const QWidget *form, const QStringList &columns, const QList<QStringList> &lists);

// The filters as the controls hold them (the sort and today's date are the window's).
TransportSearch::Filter filter(const QWidget *form, const Ui::TSzallitasokform &ui);
// The minimal serial an opening starts with.
QString storedMinSerial(const IniFile *ini);
// "Ment": the minimal serial typed becomes the default of later openings; the refusal when it is no whole number.
std::optional<QString> saveMinSerial(const Ui::TSzallitasokform &ui, IniFile *ini);
// The quick search's text stays in its box's list while the program runs.
void rememberQuickText(Ui::TSzallitasokform &ui);

} // namespace TransportFilterControls
