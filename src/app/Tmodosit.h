#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class Kelvo;
class QComboBox;

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

    // Reads the ticket of the serial number and the boxes' lists on the database worker, then opens the window
    // filled in; nothing opens when there is no such ticket. stored is called once the changes were stored.
    void prepare(qint64 sorszam, std::function<void()> stored = {});

private:
    void okClick();
    QList<QComboBox *> boxes() const;

    std::unique_ptr<Ui::Tmodosit> m_ui;
    Kelvo *m_kelvo = nullptr;
    qint64 m_sorszam = 0;
    std::function<void()> m_stored;
};
