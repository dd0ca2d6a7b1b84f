#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QWebEnginePage;
class QWebEngineProfile;

// Renders a filled HTML page into an A4 portrait PDF with the web engine, driven by the engine's signals: nothing
// waits, the thread's event loop carries it. One render per object; deleting the object abandons the render.
// The page is read with the character set its bytes are in (UTF-8 when valid, Windows-1250 otherwise); relative
// links resolve against its folder. Needs a QGuiApplication.
class PageRenderer : public QObject
{
    Q_OBJECT

public:
    explicit PageRenderer(QObject *parent = nullptr);
    ~PageRenderer() override;

    // Starts rendering htmlPath into pdfPath; finished follows, also for a page that cannot be read (queued, so a
    // caller connects after start as well as before). The time limit holds for loading and for printing each.
    void start(const QString &htmlPath, const QString &pdfPath, int timeoutMs = 60000);

signals:
    // error: the text to show; empty when pdfPath was written.
    void finished(const QString &error);

private:
    void loaded(bool ok);
    void printed(bool ok);
    void end(const QString &error);

    QString m_htmlPath;
    QString m_pdfPath;
    int m_timeoutMs = 0;
    bool m_loaded = false;
    bool m_ended = false;
    QTimer m_limit;
    // The page goes before its profile.
    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<QWebEnginePage> m_page;
};
