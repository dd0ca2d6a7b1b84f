#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// The indicator's end of a pseudo-terminal. The weighing program opens devicePath() as its serial port.
class PtyLine : public QObject
{
    Q_OBJECT

public:
    explicit PtyLine(QObject *parent = nullptr);
    ~PtyLine() override;

    // Creates the pseudo-terminal; with a link path, also a symbolic link to the device (replacing an old one).
    bool open(const QString &linkPath, QString *error);
    QString devicePath() const { return m_devicePath; }
    // Frames nobody reads are dropped once the line's buffer is full, as on a real cable.
    void send(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);

private:
    void readMaster();

    int m_master = -1;
    // Held open so that the line stays usable while the program has its port closed.
    int m_slave = -1;
    QString m_devicePath;
    QString m_linkPath;
    QSocketNotifier *m_notifier = nullptr;
};
