#pragma once

#include <QDialog>

#include <memory>

class DatabaseWorker;
class QAbstractItemModel;
class MasterTableModel;
namespace WorkerCall {
class Busy;
}

namespace Ui {
class T_adatbazisok;
}

// Master data editor: one of the six master tables in a grid with a navigator. The table choice stays locked until
// an Alt+double-click on the grid unlocks it for the rest of the program's run.
class T_adatbazisok : public QDialog
{
    Q_OBJECT

public:
    explicit T_adatbazisok(QWidget *parent = nullptr);
    ~T_adatbazisok() override;

    Ui::T_adatbazisok *ui() const { return m_ui.get(); }
    MasterTableModel *model() const { return m_model; }

    // Before each opening: no table chosen, an empty grid.
    void prepare(DatabaseWorker *worker);
    // After the window closed: the table is let go, no entry chosen.
    void release();
    // A choice in "adatbazis": reads that table's rows on the worker (with a progress dialog when it takes long);
    // an index outside the list changes nothing. The refresh button reads the bound table again.
    void chooseTable(int index);
    // A double click on the grid: with Alt held down it unlocks the table choice.
    void gridDoubleClicked(bool altDown);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setGridModel(QAbstractItemModel *model);
    void navigate(int row);
    void updateNavigator();
    std::shared_ptr<WorkerCall::Busy> busy();

    std::unique_ptr<Ui::T_adatbazisok> m_ui;
    MasterTableModel *m_model = nullptr;
    DatabaseWorker *m_worker = nullptr;
};
