#include "CsvSaving.h"

#include "MasterTable.h"
#include "MessageBoxes.h"
#include "Sql.h"
#include "WindowHelpers.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>

#include <climits>

namespace CsvSaving {

namespace {

FileQuestion &fileQuestion()
{
    static FileQuestion question;
    return question;
}

QString askFile(QWidget *parent, const QString &folder)
{
    if (fileQuestion())
        return fileQuestion()(parent, folder);
    // The replace question is asked in the program's own words, below.
    QFileDialog dialog(parent, QString(), folder, QStringLiteral("Excel Csv fájl (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setWindowTitle(QStringLiteral("Mentés másként"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

} // namespace

void setFileQuestion(FileQuestion question)
{
    fileQuestion() = std::move(question);
}

std::optional<CsvExport::Outcome> save(QWidget *parent, const QString &folder, qint64 rows, const Writer &write)
{
    const QString path = askFile(parent, folder);
    if (path.isEmpty())
        return std::nullopt;
    if (QFileInfo::exists(path) && !kerdes(QStringLiteral("A(z) %1 fájl már létezik. Felülírja ?")
                                                .arg(QFileInfo(path).fileName())))
        return std::nullopt;
    QProgressDialog progress(QStringLiteral("Mentés: %1").arg(QDir::toNativeSeparators(path)),
                             QStringLiteral("Mégsem"), 0, int(std::min<qint64>(rows, INT_MAX)), parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    CsvExport::Outcome outcome;
    {
        const WaitCursor wait;
        outcome = write(path, [&progress](qint64 written) {
            progress.setValue(int(std::min<qint64>(written, progress.maximum())));
            return !progress.wasCanceled();
        });
    }
    progress.close();
    if (!outcome.error.isEmpty())
        uzenet(outcome.error);
    return outcome;
}

std::optional<CsvExport::Outcome> saveQuery(QWidget *parent, const QString &folder, QSqlQuery &query, qint64 rows)
{
    return save(parent, folder, rows, [&query](const QString &path, const CsvExport::Progress &progress) {
        return CsvExport::exportCsv(query, path, progress);
    });
}

std::optional<CsvExport::Outcome> saveTable(QWidget *parent, const QString &folder, const QSqlDatabase &db,
                                            const QString &table)
{
    const qint64 rows = Sql::value(db, QStringLiteral("SELECT count(*) FROM %1").arg(table)).toLongLong();
    QSqlQuery query = MasterTable::exportRows(db, table);
    return saveQuery(parent, folder, query, rows);
}

} // namespace CsvSaving
