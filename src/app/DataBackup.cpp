#include "DataBackup.h"

#include "BackupRunner.h"
#include "BackupSchedule.h"
#include "Config.h"
#include "Kelvo.h"
#include "MessageBoxes.h"
#include "WorkerCall.h"

#include "TFoform.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

namespace DataBackup {

namespace {

bool backupRunning = false;

PathQuestion &pathQuestion()
{
    static PathQuestion question;
    return question;
}

QString askPath(QWidget *parent, const QString &folder, const QString &proposed)
{
    if (pathQuestion())
        return pathQuestion()(parent, folder, proposed);
    QFileDialog dialog(parent, QStringLiteral("Biztonsági másolat mentése"), folder,
                       QStringLiteral("Zip fájlok (*.zip)"));
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("zip"));
    // The replace question is asked in the program's own words, below.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

// Keeps the progress dialog up until the work is done: Escape and the close button would otherwise let the
// keyboard and mouse back into the other windows.
class KeepOpen : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

// Makes the archive on a pool thread behind an application-modal progress dialog and calls done with the result on
// the window thread. Should the program end meanwhile, the pool waits for the archive to be whole.
void makeBehindProgress(QWidget *parent, const BackupRunner &runner, const QString &path,
                        std::function<void(const BackupRunner::Result &)> done)
{
    auto *progress = new QProgressDialog(
        QStringLiteral("Biztonsági másolat készül:\n%1").arg(QDir::toNativeSeparators(path)), QString(), 0, 0, parent);
    progress->setObjectName(QStringLiteral("backupProgress"));
    progress->setWindowTitle(QStringLiteral("Biztonsági mentés"));
    progress->setCancelButton(nullptr);
    progress->setWindowModality(Qt::ApplicationModal);
    progress->setMinimumDuration(0);
    progress->installEventFilter(new KeepOpen(progress));
    progress->show();
    WorkerCall::then(QtConcurrent::run([runner, path] { return runner.make(path); }), progress,
                     [progress, done = std::move(done)](const BackupRunner::Result &result) {
                         // The dialog goes first: the result's message is not stacked on it.
                         delete progress;
                         done(result);
                     });
}

struct RunningFlag {
    RunningFlag() { backupRunning = true; }
    ~RunningFlag() { backupRunning = false; }
    RunningFlag(const RunningFlag &) = delete;
    RunningFlag &operator=(const RunningFlag &) = delete;
};

} // namespace

void setPathQuestion(PathQuestion question)
{
    pathQuestion() = std::move(question);
}

bool running()
{
    return backupRunning;
}

void manual(Kelvo &kelvo)
{
    if (backupRunning)
        return;
    auto flag = std::make_shared<RunningFlag>();
    Config *config = kelvo.config();
    QWidget *main = kelvo.Foform();
    const QString path = askPath(main, config->string(Keys::backuppath), BackupSchedule::archiveName(kelvo.today()));
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path) &&
        !kerdes(QStringLiteral("A(z) %1 fájl már létezik. Felülírja ?").arg(QFileInfo(path).fileName())))
        return;
    makeBehindProgress(main, BackupRunner(*config), path, [flag, config, path](const BackupRunner::Result &result) {
        uzenet(result.ok ? QString::fromUtf8(BackupRunner::kDoneMessage) : result.failureText());
        if (!config->setString(Keys::backuppath, QFileInfo(path).absolutePath()))
            uzenet(QString::fromUtf8(kSaveFailedMessage));
    });
}

void automatic(Kelvo &kelvo, std::function<void()> then)
{
    const std::optional<BackupSchedule::Due> due = BackupSchedule::due(*kelvo.config(), kelvo.today());
    if (!due) {
        then();
        return;
    }
    auto flag = std::make_shared<RunningFlag>();
    QWidget *main = kelvo.Foform();
    makeBehindProgress(main, BackupRunner(*kelvo.config()), due->path,
                       [flag, &kelvo, main, due = *due, then = std::move(then)](const BackupRunner::Result &result) {
                           const BackupRunner::AutoOutcome outcome =
                               BackupRunner::settled(*kelvo.config(), due, result);
                           switch (outcome.status) {
                           case BackupRunner::AutoOutcome::Status::NotDue:
                               break;
                           case BackupRunner::AutoOutcome::Status::Made:
                               kelvo.flashSaved(main);
                               if (!outcome.warning.isEmpty())
                                   uzenet(outcome.warning);
                               break;
                           case BackupRunner::AutoOutcome::Status::Failed:
                               uzenet(BackupRunner::Result{false, outcome.error}.failureText());
                               break;
                           }
                           then();
                       });
}

} // namespace DataBackup
