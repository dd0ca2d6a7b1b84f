#pragma once

#include "CsvExport.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <functional>
#include <optional>

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

// Nothing when no file was chosen.
std::optional<CsvExport::Outcome> save(QWidget *parent, const QString &folder, qint64 rows, const Writer &write);
// The rows ahead of query; rows is how many there are, for the progress bar.
std::optional<CsvExport::Outcome> saveQuery(QWidget *parent, const QString &folder, QSqlQuery &query, qint64 rows);
// A master table as kelvoctl export writes it. Throws DatabaseError.
std::optional<CsvExport::Outcome> saveTable(QWidget *parent, const QString &folder, const QSqlDatabase &db,
                                            const QString &table);

} // namespace CsvSaving
