#pragma once

#include <QDate>
#include <QDialog>
#include <QStringList>

#include <memory>

struct TicketSettings;
struct WeightServer;

namespace Ui {
class Tbeallitasok;
}

// Settings dialog. Its fields are the live home of several settings during the run (the ticket labels, the
// company block, the printing mode and template, the weight server).
class Tbeallitasok : public QDialog
{
    Q_OBJECT

public:
    explicit Tbeallitasok(QWidget *parent = nullptr);
    ~Tbeallitasok() override;

    Ui::Tbeallitasok *ui() const { return m_ui.get(); }

    QStringList companyLines() const;
    void setCompanyLines(const QStringList &lines);
    int printMode() const;
    QStringList templateNames() const;
    void setTemplateNames(const QStringList &names);
    QString selectedTemplate() const;
    void selectTemplate(const QString &name);
    QDate calibrationDate() const;
    // The labels, the company block and the printing mode as a ticket needs them.
    void fillTicketSettings(TicketSettings &settings) const;
    WeightServer weightServer() const;

signals:
    // "Kapcsolat beállítása": the port dialog is wanted.
    void portSettingsRequested();

private:
    std::unique_ptr<Ui::Tbeallitasok> m_ui;
};
