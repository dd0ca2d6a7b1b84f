#pragma once

#include <QApplication>

// The application object of the window program. An error that no handler caught reaches this one place: its
// message is shown and the program runs on, with the wait cursor off again.
class KelvoApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override;
};
