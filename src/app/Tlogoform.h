#pragma once

#include <QDialog>

#include <memory>

class QTimer;

namespace Ui {
class Tlogoform;
}

// Splash window at start-up and the about box. A click on it (except on the product word) closes it.
class Tlogoform : public QDialog
{
    Q_OBJECT

public:
    explicit Tlogoform(QWidget *parent = nullptr);
    ~Tlogoform() override;

    Ui::Tlogoform *ui() const { return m_ui.get(); }
    // Disabled at creation; the main window enables it each time it is shown, and it closes the splash.
    QTimer *timer() const { return m_timer; }
    void setVersionText(double version);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<Ui::Tlogoform> m_ui;
    QTimer *m_timer = nullptr;
};
