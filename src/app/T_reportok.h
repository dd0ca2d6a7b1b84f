#pragma once

#include <QWidget>

// Holder of the printed list reports; never shown itself. Creating it fails (throws) when the print system
// offers no usable printer driver.
class T_reportok : public QWidget
{
    Q_OBJECT

public:
    explicit T_reportok(QWidget *parent = nullptr);
};
