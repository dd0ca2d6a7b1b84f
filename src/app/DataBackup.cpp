#include "DataBackup.h"

#include "BackupRunner.h"
#include "BackupSchedule.h"
#include "Config.h"
#include "Kelvo.h"
#include "MessageBoxes.h"
#include "WindowHelpers.h"

#include "TFoform.h"

#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QThread>

#include <memory>

namespace DataBackup {

namespace {

bool running = false;

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

BackupRunner::Result makeBehindProgress(QWidget *parent, const BackupRunner &runner, const QString &path)
{
    QProgressDialog progress(QStringLiteral("Biztonsági másolat készül:\n%1").arg(QDir::toNativeSeparators(path)),
                             QString(), 0, 0, parent);
    progress.setObjectName(QStringLiteral("backupProgress"));
    progress.setWindowTitle(QStringLiteral("Biztonsági mentés"));
    progress.setCancelButton(nullptr);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    KeepOpen keepOpen;
    progress.installEventFilter(&keepOpen);
    progress.show();

    BackupRunner::Result result;
    QEventLoop loop;
    const std::unique_ptr<QThread> worker(QThread::create([&] { result = runner.make(path); }));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    // Input meant for other windows is dropped while the modal dialog is up, not kept for afterwards.
    loop.exec();
    worker->wait();
    return result;
}

struct RunningFlag {
    RunningFlag() { running = true; }
    ~RunningFlag() { running = false; }
    RunningFlag(const RunningFlag &) = delete;
    RunningFlag &operator=(const RunningFlag &) = delete;
};

} // namespace

void setPathQuestion(PathQuestion question)
{
    pathQuestion() = std::move(question);
}

void manual(Kelvo &kelvo)
{
    if (running)
        return;
    const RunningFlag flag;
    Config &config = *kelvo.config();
    QWidget *main = kelvo.Foform();
    const QString path = askPath(main, config.string(Keys::backuppath), BackupSchedule::archiveName(kelvo.today()));
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path) &&
        !kerdes(QStringLiteral("A(z) %1 fájl már létezik. Felülírja ?").arg(QFileInfo(path).fileName())))
        return;

    homokora(true);
    const BackupRunner::Result result = makeBehindProgress(main, BackupRunner(config), path);
    homokora(false);
    uzenet(result.ok ? QString::fromUtf8(BackupRunner::kDoneMessage) : result.failureText());
    if (!config.setString(Keys::backuppath, QFileInfo(path).absolutePath()))
        uzenet(QString::fromUtf8(kSaveFailedMessage));
}

void automatic(Kelvo &kelvo)
{
    const RunningFlag flag;
    QWidget *main = kelvo.Foform();
    Config &config = *kelvo.config();
    const BackupRunner runner(config);
    const BackupRunner::AutoOutcome outcome = runner.automatic(config, kelvo.today(), [&](const QString &path) {
        return makeBehindProgress(main, runner, path);
    });
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
}

} // namespace DataBackup
