#pragma once

#include <QDate>
#include <QDialog>
#include <QStringList>

#include <memory>

class CameraPage;
class GatePage;
struct TicketSettings;
struct WeightServer;

namespace Ui {
class Tbeallitasok;
}

// Settings dialog. Its fields are the live home of several settings during the run (the ticket labels, the
// company block, the printing mode and template, the weight server). The dialog keeps its own enabling rules;
// what its buttons do with the settings is up to whoever handles its signals.
class Tbeallitasok : public QDialog
{
    Q_OBJECT

public:
    explicit Tbeallitasok(QWidget *parent = nullptr);
    ~Tbeallitasok() override;

    Ui::Tbeallitasok *ui() const { return m_ui.get(); }
    // The gate module's page ("Kapu"), beside the scale link's and behind the same unlock.
    GatePage *gatePage() const { return m_gatePage; }
    CameraPage *cameraPage() const { return m_cameraPage; }

    QStringList companyLines() const;
    void setCompanyLines(const QStringList &lines);
    int printMode() const;
    void setPrintMode(int mode);
    int backupMode() const;
    QStringList templateNames() const;
    void setTemplateNames(const QStringList &names);
    QString selectedTemplate() const;
    void selectTemplate(const QString &name);
    QDate calibrationDate() const;
    // The labels, the company block and the printing mode as a ticket needs them.
    void fillTicketSettings(TicketSettings &settings) const;
    WeightServer weightServer() const;

    void setConnectionPageVisible(bool visible);
    void showConnectionPage();
    // The template list, its label and the year check box are greyed while a word-processor file prints.
    void applyPrintModeRule();

signals:
    void okRequested();
    // "Mégse" or Escape; the close box only hides the dialog.
    void cancelRequested();
    void passwordChangeRequested();
    // "Kapcsolat beállítása": the port dialog is wanted.
    void portSettingsRequested();
    void portListRequested();
    // A click on the database path or the INI file name while Alt is held down.
    void databaseFolderRequested();
    void iniFileRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::unique_ptr<Ui::Tbeallitasok> m_ui;
    GatePage *m_gatePage = nullptr;
    CameraPage *m_cameraPage = nullptr;
};
