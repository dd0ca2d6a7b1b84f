#include "CsvSaving.h"

#include "DatabaseWorker.h"
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

// The file chosen, the operator agreeing to replace one that is there; empty for none.
QString chosenPath(QWidget *parent, const QString &folder)
{
    const QString path = askFile(parent, folder);
    if (path.isEmpty())
        return {};
    if (QFileInfo::exists(path) && !kerdes(QStringLiteral("A(z) %1 fájl már létezik. Felülírja ?")
                                                .arg(QFileInfo(path).fileName())))
        return {};
    return path;
}

QString progressLabel(const QString &path)
{
    return QStringLiteral("Mentés: %1").arg(QDir::toNativeSeparators(path));
}

constexpr char kCancel[] = "Mégsem";

} // namespace

void setFileQuestion(FileQuestion question)
{
    fileQuestion() = std::move(question);
}

std::optional<CsvExport::Outcome> save(QWidget *parent, const QString &folder, qint64 rows, const Writer &write)
{
    const QString path = chosenPath(parent, folder);
    if (path.isEmpty())
        return std::nullopt;
    QProgressDialog progress(progressLabel(path), QString::fromUtf8(kCancel), 0, int(std::min<qint64>(rows, INT_MAX)),
                             parent);
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

void saveQuery(QWidget *parent, DatabaseWorker *worker, const QString &folder, RowsQuery rows,
               std::shared_ptr<WorkerCall::Busy> busy)
{
    if (!worker || !parent)
        return;
    const QString path = chosenPath(parent, folder);
    if (path.isEmpty())
        return;
    const auto write = [rows = std::move(rows), path](QSqlDatabase db, DatabaseWorker::Progress &progress) {
        Rows source = rows(db);
        const int total = int(std::min<qint64>(source.count, INT_MAX));
        progress.report(0, total);
        // The file is written beside its place and put there only complete: a cancel leaves none.
        return CsvExport::exportCsv(source.rows, path, [&progress, total](qint64 written) {
            progress.report(int(std::min<qint64>(written, total)), total);
            return !progress.cancelled();
        });
    };
    WorkerCall::withProgress(worker->runWithProgress(write), parent, progressLabel(path),
                             [](const CsvExport::Outcome &outcome) {
                                 if (!outcome.error.isEmpty())
                                     uzenet(outcome.error);
                             },
                             std::move(busy));
    // The export's dialog in its own words.
    const QList<QProgressDialog *> dialogs = parent->findChildren<QProgressDialog *>(Qt::FindDirectChildrenOnly);
    if (!dialogs.isEmpty())
        dialogs.last()->setCancelButtonText(QString::fromUtf8(kCancel));
}

void saveTable(QWidget *parent, DatabaseWorker *worker, const QString &folder, const QString &table)
{
    saveQuery(parent, worker, folder, [table](const QSqlDatabase &db) {
        const qint64 count = Sql::value(db, QStringLiteral("SELECT count(*) FROM %1").arg(table)).toLongLong();
        return Rows{MasterTable::exportRows(db, table), count};
    });
}

} // namespace CsvSaving
