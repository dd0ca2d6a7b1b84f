#pragma once

#include "TransportSearch.h"
#include "WebForms.h"

#include <QDate>
#include <QString>

class QSqlDatabase;
struct WebRequest;

// The office's search form: the search window's main filters as the fields of a GET form, read and checked, and
// given back as a link's query, as the window's search filter and as the form's HTML.
struct OfficeSearchForm {
    QDate from;
    QDate to;
    bool ignoreDates = false;
    QString plate, carrier, customer, product, warehouse, quick;
    QString direction;                         // "", "be", "ki"
    QString state = QStringLiteral("ervenyes"); // "ervenyes", "sztorno", "mind"
    qint64 page = 1;
    QString error; // the first field that did not parse; that field keeps its default

    // The form request sends; a period not given is the daysBack days before today, to today.
    static OfficeSearchForm read(const WebRequest &request, int daysBack);
    WebForms::Pairs pairs() const;
    // minSerial: the search window's stored minimal serial number.
    TransportSearch::Filter filter(const QString &minSerial) const;
    // The form with the lists of its text filters' choices.
    QString html(const QSqlDatabase &db) const;
};
