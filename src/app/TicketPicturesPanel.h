#pragma once

#include "Pictures.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class DatabaseWorker;
class QDialog;
class QLabel;
class QListWidget;
class QListWidgetItem;

// The cameras' pictures of one ticket (both weighings, every camera) as small images; a double click shows one
// larger in a window of its own. The pictures are read on the database worker only once the ticket has stayed the
// chosen one for a moment, and one read at a time: a list scrolled fast reads the ticket it stops at, not every one
// it passed. A missing picture shows why it is missing.
class TicketPicturesPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kSettleMs = 250;
    static constexpr QSize kThumbSize{160, 120};

    // A picture as the panel holds it: what was stored, and a small image made on the worker.
    struct Item {
        Pictures::Picture picture;
        QImage thumb;
    };

    explicit TicketPicturesPanel(QWidget *parent = nullptr);
    ~TicketPicturesPanel() override;

    // None: nothing is read, the panel is empty.
    void setWorker(DatabaseWorker *worker);
    // The ticket chosen now (0: none); its pictures follow after a pause.
    void showSerial(qint64 serial);
    // The ticket whose pictures are shown (0: none yet).
    qint64 shownSerial() const { return m_shown; }
    // Reads started since the panel was made (for the tests of a fast-scrolled list).
    int readsStarted() const { return m_reads; }
    QListWidget *list() const { return m_list; }
    // The larger view of the item at row, opened (what a double click does).
    void enlarge(int row);
    QDialog *largeView() const { return m_large; }

signals:
    // The pictures of serial are on the panel.
    void shown(qint64 serial);

private:
    void read();
    void fill(qint64 serial, const QList<Item> &items);

    QListWidget *m_list;
    QTimer m_settle;
    QPointer<DatabaseWorker> m_worker;
    qint64 m_wanted = 0;
    qint64 m_shown = 0;
    bool m_reading = false;
    int m_reads = 0;
    QList<Item> m_items;
    QPointer<QDialog> m_large;
    QLabel *m_largeImage = nullptr;
    QLabel *m_largeCaption = nullptr;
};
