#pragma once

#include <QDialog>

#include <memory>

class QByteArray;

namespace Ui {
class TTerminal;
}

// Raw frames of the scale link, for diagnosis: while the window is showing, every frame that arrives is added as
// a line of its own, exactly as received.
class TTerminal : public QDialog
{
    Q_OBJECT

public:
    // Lines kept; the oldest go beyond this, so a window left open for days does not grow without end.
    static constexpr int kMaxLines = 10000;

    explicit TTerminal(QWidget *parent = nullptr);
    ~TTerminal() override;

    Ui::TTerminal *ui() const { return m_ui.get(); }

    // The window the terminal centres itself on each time it is shown (the main window).
    void setCentreOn(const QWidget *window) { m_centreOn = window; }

public slots:
    // One frame, terminator included; ignored while the window is not showing.
    void appendFrame(const QByteArray &frame);

signals:
    // "Beállítások": the link settings page of the settings dialog is wanted.
    void settingsRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void scrollToNewest();

    std::unique_ptr<Ui::TTerminal> m_ui;
    const QWidget *m_centreOn = nullptr;
};
