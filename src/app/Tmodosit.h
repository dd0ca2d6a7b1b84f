#pragma once

#include <QDialog>

#include <memory>

class Kelvo;

namespace Ui {
class Tmodosit;
}

// Changing the descriptive fields of a finished ticket.
class Tmodosit : public QDialog
{
    Q_OBJECT

public:
    explicit Tmodosit(QWidget *parent = nullptr);
    ~Tmodosit() override;

    Ui::Tmodosit *ui() const { return m_ui.get(); }
    void attach(Kelvo *kelvo);
    // Restricted mode: only the warehouse, the remark and the product can be changed.
    void setRestricted(bool restricted);

    // Fills the boxes for the ticket of the serial number; false when there is no such ticket.
    bool prepare(qint64 sorszam);

private:
    void okClick();

    std::unique_ptr<Ui::Tmodosit> m_ui;
    Kelvo *m_kelvo = nullptr;
    qint64 m_sorszam = 0;
};
