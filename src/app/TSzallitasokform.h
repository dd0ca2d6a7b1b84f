#pragma once

#include "TransportSearch.h"

#include <QDate>
#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class ColumnWidths;
class DatabaseWorker;
class IniFile;
class QComboBox;
class QLabel;
class QMenu;
class TNaploform;
class TicketPicturesPanel;
class TransportListModel;

class PagedDocument;

namespace WorkerCall {
class Busy;
}

namespace Ui {
class TSzallitasokform;
}

// Search and list of finished transports: filters, quick search, today's list, totals; cancelling, reprinting and
// modifying the selected ticket; the list saved as CSV.
class TSzallitasokform : public QDialog
{
    Q_OBJECT

public:
    using TicketCommand = std::function<void(qint64 sorszam)>;
    // Opens the modification of a ticket; stored is called once a change was stored.
    using ModifyCommand = std::function<void(qint64 sorszam, std::function<void()> stored)>;

    explicit TSzallitasokform(QWidget *parent = nullptr);
    ~TSzallitasokform() override;

    Ui::TSzallitasokform *ui() const { return m_ui.get(); }
    void setModifyButtonVisible(bool visible);
    // What reprinting and modifying a ticket do (the program's ticket printing and its modification window).
    void setTicketCommands(TicketCommand reprint, ModifyCommand modify);
    // Where a printed list goes (the preview).
    void setReportViewer(std::function<void(std::unique_ptr<PagedDocument>)> viewer);

    // Before each opening: an empty list, "<mindegy>" in the filter lists, which the worker reads again and fills
    // in when they arrive, the period from today minus minusznapok days to today, column widths and the minimal
    // serial from the INI file. Direction, state, manual, modified, the date check box, the serial and the sort stay
    // from the last opening. Every database command of the window runs on worker.
    void prepare(DatabaseWorker *worker, IniFile *ini, const QDate &today, qint64 minusznapok,
                 const QString &programFolder);
    // After the window closed: the column widths are stored, the list and the worker let go; what the commands
    // still under way bring back is dropped, and a long read is cancelled.
    void release();

    // The filters as the controls hold them.
    TransportSearch::Filter filter() const;
    // "Keresés" (also the quick search when its box holds a text).
    void runSearch();
    // "Mai nap".
    void todayList();
    // A click on a list header: that column sorts, the direction flips; the search runs again when rows are listed.
    void headerClicked(int column);
    void cancelSelected();
    void reprintSelected();
    void modifySelected();
    // "Napló megtekintése": the selected ticket's trail in a window of its own.
    void showTrail();
    void printList();
    void saveList();
    // "Ment": the minimal serial becomes the default of later openings.
    void saveMinSerial();
    // The serial number of the selected row, 0 for none.
    qint64 selectedSerial() const;
    // The selected ticket's pictures.
    TicketPicturesPanel *picturesPanel() const { return m_pictures; }

private:
    void buildCommands();
    void run(TransportSearch::Filter filter, qint64 keepSerial = 0);
    void showTotals();
    void keepInView(qint64 serial);
    void readLists(const QStringList &columns);
    // Runs then(serial) when the ticket is still in the table.
    void whenLocated(qint64 serial, std::function<void()> then);
    // The window's controls off and a busy cursor while a command runs.
    std::shared_ptr<WorkerCall::Busy> busy();
    // Whether a command may start now: the window is open and none of its commands runs.
    bool ready() const;
    // The outcome of a command, dropped when it arrives after the window closed.
    template <typename F>
    auto inOpening(F f);

    std::unique_ptr<Ui::TSzallitasokform> m_ui;
    TransportListModel *m_model = nullptr;
    ColumnWidths *m_widths = nullptr;
    QLabel *m_panels[4] = {};
    QMenu *m_popup = nullptr;
    QWidget *m_menuBar = nullptr;
    TNaploform *m_naploform = nullptr;
    TicketPicturesPanel *m_pictures = nullptr;
    QList<QAction *> m_modifyActions;
    DatabaseWorker *m_worker = nullptr;
    // Lives for one opening: outcomes check it before they touch the window.
    QObject *m_opening = nullptr;
    bool m_otherPageRead = false;
    IniFile *m_ini = nullptr;
    QString m_programFolder;
    QDate m_today;
    TransportSearch::Sort m_sort;
    // The statement of the listed rows, so that a save writes what is listed.
    std::optional<TransportSearch::Statement> m_listed;
    TicketCommand m_reprint;
    ModifyCommand m_modify;
    std::function<void(std::unique_ptr<PagedDocument>)> m_reportViewer;
};
