#pragma once

#include <QString>

#include <functional>

class Kelvo;
class QWidget;

// The window program's backups: the "Adatbázis" menu command and the automatic one at start-up. The archive is made
// on a worker thread behind an application-modal progress dialog, so the window repaints while the keyboard and
// mouse are kept out, and nothing waits for it on the window thread; the program's own tables stay open (the database is copied as a consistent snapshot).
namespace DataBackup {

// Asks where to save the archive, opening in folder with proposed as the name; empty when the user cancels. Tests
// replace it (an empty hook: the save dialog).
using PathQuestion = std::function<QString(QWidget *parent, const QString &folder, const QString &proposed)>;
void setPathQuestion(PathQuestion question);

// Whether a backup is being made.
bool running();

// The menu command; a second call while one runs does nothing.
void manual(Kelvo &kelvo);
// At start-up, before the database is opened: makes the backup when one is due this week or month, then calls
// then (at once when none is due).
void automatic(Kelvo &kelvo, std::function<void()> then);

} // namespace DataBackup
