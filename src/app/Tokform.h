#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Tokform;
}

// The saved notice: shown for a moment after a successful save.
class Tokform : public QDialog
{
    Q_OBJECT

public:
    explicit Tokform(QWidget *parent = nullptr);
    ~Tokform() override;

    // Shows the notice centred on the given window, paints it, holds it for the given time and hides it.
    void flash(const QWidget *over, int milliseconds = 300);

private:
    std::unique_ptr<Ui::Tokform> m_ui;
};
