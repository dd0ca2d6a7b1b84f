#pragma once

#include <QDialog>

#include <memory>

class QTimer;

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

    // Shows the notice centred on the given window for the given time; the live weight runs on meanwhile.
    void flash(const QWidget *over, int milliseconds = 300);

private:
    std::unique_ptr<Ui::Tokform> m_ui;
    QTimer *m_hide = nullptr;
};
