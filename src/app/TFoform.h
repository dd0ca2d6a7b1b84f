#pragma once

#include <QMainWindow>

#include <memory>

class ColumnWidths;
class QLabel;
class QMenu;
class QToolButton;

namespace Ui {
class TFoform;
}

// The main window: toolbar, the list of transports in progress, the live weight and the status bar.
class TFoform : public QMainWindow
{
    Q_OBJECT

public:
    // The private message the window posts to itself the first time it is shown; its handler runs the
    // initialisation while the window is already on screen.
    static constexpr int kInitialiseEvent = 1024 + 300;

    explicit TFoform(QWidget *parent = nullptr);
    ~TFoform() override;

    Ui::TFoform *ui() const { return m_ui.get(); }
    QLabel *statusPanel(int index) const;
    QMenu *popupMenu() const { return m_popupMenu; }
    QMenu *autoPopup() const { return m_autoPopup; }
    // The gate module's state, shown while the site has one.
    QLabel *gatePanel() const { return m_gatePanel; }
    // The operator's gate commands: in the menu bar, and behind the toolbar's "Kapu" button (kapubtn).
    QMenu *gateMenu() const { return m_gateMenu; }
    QAction *gateButton() const { return m_gateButton; }
    ColumnWidths *columnWidths() const { return m_widths; }

    void setStatusText(int panel, const QString &text);

signals:
    void shown(bool firstTime);
    void initialiseRequested();
    void closing();
    void weightLabelDoubleClicked();
    void listKeyPressed(int key);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void customEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<Ui::TFoform> m_ui;
    // The in-progress count, the scale link's state, the database connection's state.
    QLabel *m_panels[3] = {nullptr, nullptr, nullptr};
    QMenu *m_popupMenu = nullptr;
    QMenu *m_autoPopup = nullptr;
    QLabel *m_gatePanel = nullptr;
    QMenu *m_gateMenu = nullptr;
    QAction *m_gateButton = nullptr;
    ColumnWidths *m_widths = nullptr;
    bool m_firstShow = true;
};
