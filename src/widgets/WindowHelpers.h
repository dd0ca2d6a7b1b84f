#pragma once

#include <QSqlDatabase>
#include <QStringList>
#include <QString>

class QComboBox;
class QWidget;

// Small routines every window uses; they need a running QApplication.

void homokora(bool on);                       // wait cursor on or off; calls do not nest

// The hourglass while it lives; put back also when a failure goes on to the program's error handler.
struct WaitCursor {
    WaitCursor() { homokora(true); }
    ~WaitCursor() { homokora(false); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};
void attetszoseg(QWidget *window, int alpha); // opacity 0..255; ignored where the platform has none
bool altlenyomva();
// Qt's own texts (dialog buttons, file dialogs, progress dialogs) in Hungarian, as the operators read the rest;
// false where the translation is not installed, which leaves them in English.
bool hungarianQtTexts();
bool shiftlenyomva();

// Fills a drop-down list with distinctColumnValues; the text in the box's edit field stays as it was. A failed
// query throws DatabaseError and leaves the list as it was.
void listatoltes(QComboBox *box, const QSqlDatabase &db, const QString &table, const QString &field);
// Its second half: the values read elsewhere (on the database worker) into the list.
void fillList(QComboBox *box, const QStringList &values);
