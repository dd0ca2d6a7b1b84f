#include "WorkerCall.h"

#include <QGuiApplication>

namespace {

constexpr char kBusyProperty[] = "kelvoCommandsRunning";

} // namespace

namespace WorkerCall {

Busy::Busy(QWidget *window, QList<QWidget *> controls)
    : m_window(window)
{
    if (m_window) {
        const int running = m_window->property(kBusyProperty).toInt();
        m_window->setProperty(kBusyProperty, running + 1);
        if (running == 0)
            m_window->setCursor(Qt::BusyCursor);
    }
    for (QWidget *control : controls) {
        if (control && control->isEnabled()) {
            control->setEnabled(false);
            m_controls.append(control);
        }
    }
}

Busy::~Busy()
{
    for (const QPointer<QWidget> &control : std::as_const(m_controls)) {
        if (control)
            control->setEnabled(true);
    }
    if (!m_window)
        return;
    const int running = m_window->property(kBusyProperty).toInt() - 1;
    m_window->setProperty(kBusyProperty, running);
    if (running <= 0)
        m_window->unsetCursor();
}

bool Busy::running(const QWidget *window)
{
    return window && window->property(kBusyProperty).toInt() > 0;
}

void showFailure(const std::exception &e)
{
    uzenet(QString::fromUtf8(e.what()));
}

} // namespace WorkerCall
