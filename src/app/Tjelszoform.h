#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Tjelszoform;
}

// The start password window. It closes only on the right password; "Mégse" or Escape ends the program.
class Tjelszoform : public QDialog
{
    Q_OBJECT

public:
    explicit Tjelszoform(QWidget *parent = nullptr);
    ~Tjelszoform() override;

    Ui::Tjelszoform *ui() const { return m_ui.get(); }
    void setPassword(const QString &password) { m_password = password; }
    bool passed() const { return m_passed; }

public slots:
    void reject() override; // "Mégse" and Escape

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void okClick();

    std::unique_ptr<Ui::Tjelszoform> m_ui;
    QString m_password;
    bool m_passed = false;
};
