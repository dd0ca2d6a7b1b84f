#pragma once

#include <QDialog>

#include <memory>

class Kelvo;
class QStandardItemModel;

namespace Ui {
class Tewcform;
}

// Look-up of European Waste Catalogue codes; a double-click puts the code into the first weighing's product code.
class Tewcform : public QDialog
{
    Q_OBJECT

public:
    explicit Tewcform(QWidget *parent = nullptr);
    ~Tewcform() override;

    Ui::Tewcform *ui() const { return m_ui.get(); }
    void attach(Kelvo *kelvo);

    void search();
    void done(int result) override;

signals:
    // A double-click on one row: its code goes into the first weighing window.
    void codeChosen(const QString &code);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pick();

    std::unique_ptr<Ui::Tewcform> m_ui;
    Kelvo *m_kelvo = nullptr;
    QStandardItemModel *m_model = nullptr;
};
