#pragma once

#include "CsvExport.h"
#include "RowStream.h"
#include "WorkerCall.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class DatabaseWorker;
class QWidget;

// Saving a list or a table as a CSV file from a window: the save dialog asks for the file (and before replacing
// one), a progress dialog runs while the rows are written and can cancel them, a failure is shown with the system's
// text. A cancelled or failed export leaves an earlier file of that name as it was.
namespace CsvSaving {

// Writes the CSV file at path, reporting progress; what the window's rows are written by.
using Writer = std::function<CsvExport::Outcome(const QString &path, const CsvExport::Progress &progress)>;
// Asks for the file name in folder; empty when the user cancels. Tests replace it (an empty hook: the dialog).
using FileQuestion = std::function<QString(QWidget *parent, const QString &folder)>;
void setFileQuestion(FileQuestion question);

// Rows already at hand (a short list), written on the window thread. Nothing when no file was chosen.
std::optional<CsvExport::Outcome> save(QWidget *parent, const QString &folder, qint64 rows, const Writer &write);

// What a database export writes: the query's rows still ahead of it, and how many there are (for the progress bar).
struct Rows {
    RowStream rows;
    qint64 count = 0;
};
// Runs on the database worker; captures values only. Throws DatabaseError.
using RowsQuery = std::function<Rows(const QSqlDatabase &db)>;

// Asks for the file here, then runs the query and writes the file on the worker, with a progress dialog over
// parent whose cancel leaves no file. busy (by default the parent's busy cursor) lives until the export ends.
void saveQuery(QWidget *parent, DatabaseWorker *worker, const QString &folder, RowsQuery rows,
               std::shared_ptr<WorkerCall::Busy> busy = {});
// A master table as kelvoctl export writes it.
void saveTable(QWidget *parent, DatabaseWorker *worker, const QString &folder, const QString &table);

} // namespace CsvSaving
