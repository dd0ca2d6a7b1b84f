#pragma once

#include "CsvImport.h"
#include "Refusal.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

// Loading master data (vehicles, customers, products, warehouses) from a CSV file as CsvExport writes it, with the
// master data editor's checks.
namespace MasterImport {

// The tables a file may be loaded into. Transports never are: their serial numbers come from the counter only.
const QStringList &tables();

struct Outcome {
    qint64 rows = 0;                 // rows added
    std::optional<Refusal> refusal;  // nothing was added; the field names the column
    qsizetype line = 0;              // the file's line the refusal is about
};

// Adds every row of csv to table in one transaction, or none. The header names the columns (in any order, some
// may be left out: they take the table's defaults); the id column and names the table does not have are refused.
// An empty field in a number or date column is NULL, as the export writes NULL. Throws DatabaseError when the
// database fails.
Outcome import(const QSqlDatabase &db, const QString &table, const CsvImport::Table &csv);

} // namespace MasterImport
