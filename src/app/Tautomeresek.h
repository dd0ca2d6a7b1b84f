#pragma once

#include <QDate>
#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class ColumnWidths;
class DatabaseWorker;
class IniFile;
class PagedDocument;
class QStatusBar;
class AutoListModel;
namespace WorkerCall {
class Busy;
}

namespace Ui {
class Tautomeresek;
}

// The weights the unattended logger stored in a date range: listed, printed or saved as CSV.
class Tautomeresek : public QDialog
{
    Q_OBJECT

public:
    explicit Tautomeresek(QWidget *parent = nullptr);
    ~Tautomeresek() override;

    Ui::Tautomeresek *ui() const { return m_ui.get(); }
    // Where a printed list goes (the preview).
    void setReportViewer(std::function<void(std::unique_ptr<PagedDocument>)> viewer);

    // Before each opening: both dates today, the column widths from the INI file, an empty list.
    void prepare(DatabaseWorker *worker, IniFile *ini, const QDate &today, const QString &programFolder);
    // After the window closed: the column widths are stored, the list and the worker let go.
    void release();

    // "Keresés": the rows are read on the worker, with a progress dialog once it takes a second.
    void runSearch();
    // "Nyomtatás": the listed range is read and laid out on the worker.
    void printList();
    // "Mentés".
    void saveList();

private:
    void clearList();
    std::shared_ptr<WorkerCall::Busy> busy();

    std::unique_ptr<Ui::Tautomeresek> m_ui;
    AutoListModel *m_model = nullptr;
    ColumnWidths *m_widths = nullptr;
    QStatusBar *m_status = nullptr;
    DatabaseWorker *m_worker = nullptr;
    IniFile *m_ini = nullptr;
    QString m_programFolder;
    // The range of the listed rows, so that a print shows what is listed.
    std::optional<std::pair<QDate, QDate>> m_listed;
    std::function<void(std::unique_ptr<PagedDocument>)> m_reportViewer;
};
