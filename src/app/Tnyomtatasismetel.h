#pragma once

#include <QDialog>
#include <QFuture>
#include <QPointer>

#include <functional>
#include <memory>

class QRadioButton;

namespace Ui {
class Tnyomtatasismetel;
}

// Reprint of a ticket by its serial number, in a print mode chosen for this one print.
class Tnyomtatasismetel : public QDialog
{
    Q_OBJECT

public:
    // Whether a finished ticket has this serial number; answered by the database worker.
    using Exists = std::function<QFuture<bool>(qint64 serial)>;
    // Prints the ticket in the given mode (the values of the Printmode setting).
    using Print = std::function<void(qint64 serial, int mode)>;

    explicit Tnyomtatasismetel(QWidget *parent = nullptr);
    ~Tnyomtatasismetel() override;

    Ui::Tnyomtatasismetel *ui() const { return m_ui.get(); }

    void setActions(Exists exists, Print print);
    // Presets the dialog before it is shown: the current mode, the last serial, whether mode 4 can be chosen and
    // the window it is centred on.
    void prepare(int mode, qint64 lastSerial, bool wordProcessorInstalled, QWidget *over = nullptr);
    int chosenMode() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void printTicket();
    QRadioButton *modeButton(int mode) const;

    std::unique_ptr<Ui::Tnyomtatasismetel> m_ui;
    Exists m_exists;
    Print m_print;
    QPointer<QWidget> m_over;
};
