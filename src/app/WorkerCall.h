#pragma once

#include "DatabaseWorker.h"
#include "MessageBoxes.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

#include <exception>
#include <functional>
#include <memory>
#include <type_traits>

// A window's side of a database command: the command runs on the worker, the window shows that it works, and the
// outcome comes back to the window thread. A failure (the server's text, or the refusal of a station that is
// offline) is shown as a message; nothing waits on the window thread.
namespace WorkerCall {

// While a window's command runs: a busy cursor over the window and its controls (the ones given) off, so that a
// second command cannot start inside the first. Shared by the continuation; ends with it.
class Busy
{
public:
    Busy(QWidget *window, QList<QWidget *> controls);
    ~Busy();
    Busy(const Busy &) = delete;
    Busy &operator=(const Busy &) = delete;

    // Whether a command of the window is running.
    static bool running(const QWidget *window);

private:
    QPointer<QWidget> m_window;
    QList<QPointer<QWidget>> m_controls;
};

// Shows the failure of a command: its text in a message box.
void showFailure(const std::exception &e);

// Calls done(result) on context's thread once the command has run; a failure goes to failed (by default a message
// box), a cancelled command calls nothing. busy lives until then. Nothing is called once context is gone.
template <typename R, typename Done>
void then(QFuture<R> future, QObject *context, Done done, std::shared_ptr<Busy> busy = {},
          std::function<void(const std::exception &)> failed = showFailure)
{
    auto *watcher = new QFutureWatcher<R>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, done = std::move(done), busy = std::move(busy), failed = std::move(failed)]() mutable {
                         watcher->deleteLater();
                         QFuture<R> f = watcher->future();
                         try {
                             // Finished already: this only rethrows a failed command's exception (its future counts as cancelled too).
                             f.waitForFinished();
                         } catch (const std::exception &e) {
                             busy.reset();
                             failed(e);
                             return;
                         }
                         busy.reset();
                         if (f.isCanceled())
                             return;
                         if constexpr (std::is_void_v<R>)
                             done();
                         else
                             done(f.result());
                     });
    watcher->setFuture(future);
}

// A long read with a progress dialog over parent, shown once it has run for a second; its cancel button cancels
// the command. done runs only for a command that ran to its end. busy (by default the parent's busy cursor) lives
// until then.
// cancelled, when given, runs once a command the operator cancelled has ended without its result.
template <typename R, typename Done>
void withProgress(QFuture<R> future, QWidget *parent, const QString &label, Done done,
                  std::shared_ptr<Busy> busy = {}, std::function<void()> cancelled = {})
{
    auto *dialog = new QProgressDialog(label, QStringLiteral("Mégse"), 0, 0, parent);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(1000);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setValue(0);
    auto *progress = new QFutureWatcher<R>(dialog);
    QObject::connect(progress, &QFutureWatcherBase::progressRangeChanged, dialog, &QProgressDialog::setRange);
    QObject::connect(progress, &QFutureWatcherBase::progressValueChanged, dialog, &QProgressDialog::setValue);
    // A command the operator cancelled may fail by being broken off: that is nothing to tell.
    auto byOperator = std::make_shared<bool>(false);
    QObject::connect(dialog, &QProgressDialog::canceled, progress, [progress, byOperator] {
        *byOperator = true;
        progress->cancel();
    });
    if (cancelled) {
        QObject::connect(progress, &QFutureWatcherBase::finished, parent, [progress, byOperator, cancelled] {
            if (*byOperator && progress->future().isCanceled())
                cancelled();
        });
    }
    progress->setFuture(future);
    then(future, parent, std::move(done), busy ? std::move(busy) : std::make_shared<Busy>(parent, QList<QWidget *>{}),
         [byOperator](const std::exception &e) {
             if (!*byOperator)
                 showFailure(e);
         });
    QObject::connect(progress, &QFutureWatcherBase::finished, dialog, &QObject::deleteLater);
}

} // namespace WorkerCall
