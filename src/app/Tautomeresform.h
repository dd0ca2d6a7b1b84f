#pragma once

#include "AutoWeighingRun.h"
#include "Pictures.h"

#include <QDialog>

#include <memory>

class DatabaseWorker;

namespace Ui {
class Tautomeresform;
}

// Unattended weighing: while the window is open, every vehicle that stands on the bridge for the chosen time is
// stored with its weight; the window shows where the logger is and the last weight it stored.
class Tautomeresform : public QDialog
{
    Q_OBJECT

public:
    explicit Tautomeresform(QWidget *parent = nullptr);
    ~Tautomeresform() override;

    Ui::Tautomeresform *ui() const { return m_ui.get(); }

    // Where the weights come from and go; until it is set the window logs nothing.
    void setSource(AutoWeighingRun::Scale scale, AutoWeighing::Store store);
    // The window program's store: a command on the worker (none: refused), with the cameras' pictures.
    static QFuture<void> store(DatabaseWorker *worker, const QDateTime &at, qint64 weight,
                               const Pictures::Shots &pictures = {});
    // The weight a vehicle must exceed (minautosuly).
    void setMinimum(qint64 kilograms);
    AutoWeighingRun *run() const { return m_run.get(); }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void showTexts();

    std::unique_ptr<Ui::Tautomeresform> m_ui;
    std::unique_ptr<AutoWeighingRun> m_run;
    qint64 m_minimum = AutoWeighing::kDefaultMinimum;
};
