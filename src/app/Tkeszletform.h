#pragma once

#include "StockQuery.h"

#include <QDialog>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class ColumnWidths;
class DatabaseWorker;
namespace WorkerCall {
class Busy;
}
class PagedDocument;
class QAction;
class QStatusBar;
class QAbstractTableModel;

namespace Ui {
class Tkeszletform;
}

// Stock report: the stock per product for the chosen filters, listed, printed or saved as CSV.
class Tkeszletform : public QDialog
{
    Q_OBJECT

public:
    explicit Tkeszletform(QWidget *parent = nullptr);
    ~Tkeszletform() override;

    Ui::Tkeszletform *ui() const { return m_ui.get(); }

    // Before each opening: the period from today minus minusznapok days to today, an empty list, the filter lists
    // read again with "<mindegy>" selected. The direction, the period check box and the sort order stay.
    // Its lists are read on the worker; the figures too, with a progress dialog.
    void prepare(DatabaseWorker *worker, const QDate &today, qint64 minusznapok, const QString &programFolder);
    // Where a printed list goes (the preview).
    void setReportViewer(std::function<void(std::unique_ptr<PagedDocument>)> viewer);
    // After the window closed: the database is let go.
    void release();

    // The filters as the controls hold them.
    StockQuery::Filter filter() const;
    // "Keresés": runs the report into the list.
    void runQuery();
    // A click on a list header: that column sorts, the direction flips; the report runs again when rows are listed.
    void headerClicked(int column);
    // "Nyomtatás".
    void printList();
    // "Mentés": asks for a file and writes the list as CSV.
    void saveList();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::shared_ptr<WorkerCall::Busy> busy();
    void showSortIndicator();

    std::unique_ptr<Ui::Tkeszletform> m_ui;
    QAbstractTableModel *m_model = nullptr;
    QStatusBar *m_status = nullptr;
    ColumnWidths *m_widths = nullptr;
    // The size it is built with; a size the operator stored replaces it before the first opening.
    QSize m_firstSize;
    // First opening at that size: the window grows to show both columns, again once the filter lists arrive.
    bool m_growing = false;
    DatabaseWorker *m_worker = nullptr;
    std::function<void(std::unique_ptr<PagedDocument>)> m_reportViewer;
    QString m_programFolder;
    StockQuery::SortColumn m_sortColumn = StockQuery::SortColumn::Product;
    bool m_ascending = true;
};
