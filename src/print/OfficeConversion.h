#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

// One LibreOffice conversion driven by the process's signals, for the window thread: nothing waits for it.
// Deleting the object (or cancel) ends a run still going.
class OfficeConversion : public QObject
{
    Q_OBJECT

public:
    explicit OfficeConversion(QObject *parent = nullptr);
    ~OfficeConversion() override;

    // Converts sourcePath to targetPath as OfficeConverter::convert does; finished follows, queued, also when the
    // run cannot start.
    void start(const QString &sourcePath, const QString &targetPath,
               int timeoutMs = 60000);
    // Ends the run; finished is not emitted.
    void cancel();

signals:
    // error: the message to show; empty when targetPath was written.
    void finished(const QString &error);

private:
    void end(const QString &error);

    QString m_sourcePath;
    QString m_targetPath;
    std::unique_ptr<QTemporaryDir> m_outDir;
    QProcess m_process;
    QTimer m_limit;
    bool m_ended = false;
};
