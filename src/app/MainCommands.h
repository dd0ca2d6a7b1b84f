#pragma once

#include <QDateTime>
#include <QFuture>
#include <QObject>
#include <QString>

#include "InProgress.h"

#include <QSqlDatabase>

#include <functional>
#include <memory>
#include <optional>

class DatabaseWorker;
class TicketPrintQueue;
class PagedDocument;
class Kelvo;

// The main window's commands: the toolbar, the menus, the in-progress list's pop-up menu, keys and
// double-click.
class MainCommands : public QObject
{
    Q_OBJECT

public:
    explicit MainCommands(Kelvo &kelvo);

    // Rebuilds the in-progress list from the table (on the worker) and updates the status bar's first panel; then
    // runs once the list shows the rows read.
    void fillInProgressList(std::function<void()> then = {});
    // Re-reads the list whenever another station changes the transports in progress (network mode), keeping the
    // selected plate selected while it is still listed; shows in the status bar when the database is lost and
    // when it is back.
    void followChanges(DatabaseWorker &worker);
    // Shows in the status bar that a ticket went to the printer.
    void followPrints(TicketPrintQueue &queue);

    void newTransport();
    // The second weighing window, with the plate of the selected row put in.
    void finishTransport();
    void refreshList();
    void swapDirection();
    void deleteSelected();
    void reweighSelected();
    void deleteAllInProgress();
    void deleteStoredTares();
    // Automatic weighing's store: the weight with the cameras' pictures of it.
    QFuture<void> storeAutoWeighing(const QDateTime &at, qint64 weight);
    // The unattended logger's window; it logs while it is open.
    void showAutoWeighing();
    // The list of the logged weights, its dates set to today.
    void showAutoList();
    // The search window, its lists and period set afresh.
    void showTransports();
    // A master table saved as a CSV file.
    void exportTable(const QString &table);
    // The stock window, its period and lists set afresh.
    void showStock();
    // The hidden master data editor.
    void showEditor();
    void showHelp();
    void showAbout();
    // The one way a printed list reaches the user: the preview.
    void showReport(std::unique_ptr<PagedDocument> report);
    void openWebPage();
    // The "Szerkesztés" menu and the list's pop-up menu enable their items as things stand.
    void updateMenus();
    // The reprint dialog, preset with the current print mode and the last serial.
    void reprintTicket();
    bool reprintAvailable() const;

private:
    void connectCommands();
    int selectedRow() const;
    QString selectedPlate() const;
    std::optional<InProgress::Seen> selectedSeen() const;
    // A row command on the worker; the list is read again after it, and a refusal names the change made elsewhere;
    // changed runs when the change was made.
    void changeRows(std::function<bool(QSqlDatabase)> change, std::function<void()> changed = {});
    QList<QWidget *> rowCommandControls() const;
    void selectRow(int row);
    void reloadKeepingSelection();

    Kelvo &m_kelvo;
};
