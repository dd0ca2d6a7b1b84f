#pragma once

#include "CameraSettings.h"
#include "CameraShot.h"
#include "Pictures.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>

#include <functional>
#include <map>

class CameraClient;
class Kelvo;
class QLabel;

// The cameras at this station in the window program: the ones Kelvo.ini [Kamera1] to [Kamera4] names (read again
// when the settings change), asked for their pictures at the moment a weighing is stored; a camera whose last
// picture was missing is named in the main window's status bar until it answers again.
class CameraWiring : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(const Pictures::Shots &shots)>;

    explicit CameraWiring(Kelvo &kelvo);
    ~CameraWiring() override;

    // Start-up and the settings dialog's OK: the cameras as the file says now.
    void configure();
    // Shutdown: pictures still awaited are dropped, and with them the stores waiting for them.
    void close();

    bool configured() const { return !m_cameras.isEmpty(); }
    const QList<CameraSettings> &cameras() const { return m_cameras; }
    // Every camera's picture at once; done(shots) runs on context's thread once each has answered or its time
    // limit has passed (a missing picture carries its reason). Without cameras done({}) runs at once. Nothing runs
    // once context is gone.
    void take(QObject *context, Done done);
    // Pictures asked for whose answers have not all come.
    int pending() const { return int(m_waiting.size()); }

    static Pictures::Shots toPictures(const QList<CameraShot> &shots);

signals:
    // Every camera of a request has answered (the status bar has been brought up to date).
    void taken(const QList<CameraShot> &shots);

private:
    struct Waiting {
        QPointer<QObject> context;
        Done done;
    };

    void allTaken(quint64 request, const QList<CameraShot> &shots);
    void showMissing();

    Kelvo &m_kelvo;
    CameraClient *m_client;
    QLabel *m_panel;
    QList<CameraSettings> m_cameras;
    std::map<quint64, Waiting> m_waiting;
    // Camera number to its name and the reason its last picture was missing.
    QMap<int, QPair<QString, QString>> m_missing;
};
