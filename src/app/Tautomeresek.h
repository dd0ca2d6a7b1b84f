#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Tautomeresek;
}

// List of the automatic weighings.
class Tautomeresek : public QDialog
{
    Q_OBJECT

public:
    explicit Tautomeresek(QWidget *parent = nullptr);
    ~Tautomeresek() override;

    Ui::Tautomeresek *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::Tautomeresek> m_ui;
};
