#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

// One running copy per name. The first copy listens on a local socket; a later copy connects, asks it to come
// to the front, and ends.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(QString name, QObject *parent = nullptr);

    // True when this is the only copy; false after another copy was asked to come to the front.
    bool claim();

signals:
    void activationRequested();

private:
    bool askRunningCopy() const;

    QString m_name;
    QLocalServer m_server;
};
