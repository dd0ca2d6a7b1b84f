#pragma once

#include <QApplication>

namespace sorvik {

// The program's general error handler: an error no handler caught is shown, and the program runs on.
class TSorvikApplication : public QApplication
{
    Q_OBJECT

public:
    TSorvikApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace sorvik
