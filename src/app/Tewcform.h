#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Tewcform;
}

// European Waste Catalogue code look-up.
class Tewcform : public QDialog
{
    Q_OBJECT

public:
    explicit Tewcform(QWidget *parent = nullptr);
    ~Tewcform() override;

    Ui::Tewcform *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::Tewcform> m_ui;
};
