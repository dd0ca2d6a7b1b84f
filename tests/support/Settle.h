#pragma once

#include "Database.h"
#include "DatabaseWorker.h"
#include "Kelvo.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Lets the window program's database commands given so far, and what their outcomes start in turn, run to their end,
// so that a test looks at the windows as the operator sees them once the station is quiet.
inline void settle(DatabaseWorker *worker)
{
    for (int round = 0; round < 10; ++round) {
        if (worker)
            worker->drain();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// Pool work (a backup, a printer submission) counts too; start-up makes the worker only after the backup.
inline void settle(Kelvo &kelvo)
{
    for (int round = 0; round < 10; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        if (DatabaseWorker *worker = kelvo.worker())
            worker->drain();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// Starts the window program as at a real start, with a printer, and lets start-up run to its end; false when its
// windows could not be made.
inline bool startSettled(Kelvo &kelvo)
{
    kelvo.setPrinterCheck([] { return true; });
    if (!kelvo.createWindows())
        return false;
    kelvo.firstShow();
    kelvo.initialise();
    settle(kelvo);
    return true;
}

// The window program's database through a connection of the test's own, as another program on the station sees it.
inline std::unique_ptr<Database> ownConnection(const Kelvo &kelvo)
{
    auto database = std::make_unique<Database>(kelvo.worker()->path());
    if (const QString error = database->open(); !error.isEmpty())
        qWarning("%s", qPrintable(error));
    return database;
}

// Acts on a window once it shows (a dialog a command's outcome opens), from inside its modal loop.
inline void whenShown(QWidget *window, std::function<void()> act)
{
    auto *timer = new QTimer(window);
    QObject::connect(timer, &QTimer::timeout, window, [timer, window, act = std::move(act)] {
        if (!window->isVisible())
            return;
        timer->deleteLater();
        timer->stop();
        act();
    });
    timer->start(10);
}
