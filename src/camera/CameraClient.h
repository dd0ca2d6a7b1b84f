#pragma once

#include "CameraSettings.h"
#include "CameraShot.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <map>
#include <memory>

class QAuthenticator;
class QNetworkAccessManager;
class QNetworkReply;

// Takes snapshots of the IP cameras over HTTP(S), fully asynchronously, on the thread that owns it: every call
// returns at once and the outcome arrives as a signal from the event loop, never from inside the call. Each
// snapshot has the camera's own time limit, counted from the request, whether the camera does not accept the
// connection, accepts it and stays silent, or trickles its answer; so a request for every camera ends within the
// longest limit. Basic and digest authentication are answered once per snapshot, so a wrong password fails
// instead of being asked again. A reply is a picture only when it decodes as a JPEG; the check runs on the
// thread pool, so a large picture does not hold up this thread.
class CameraClient : public QObject
{
    Q_OBJECT

public:
    // A camera that sends more than this is broken: the reply is dropped.
    static constexpr qint64 kMaxBytes = 10 * 1024 * 1024;

    explicit CameraClient(QObject *parent = nullptr);
    ~CameraClient() override;

    // One snapshot of one camera; its outcome comes as shotTaken with the returned request number.
    quint64 takeShot(const CameraSettings &camera);
    // One snapshot of each camera, all at once; the outcomes come together, in the order given, as allTaken.
    quint64 takeAll(const QList<CameraSettings> &cameras);
    // Requests still waiting for their outcome.
    int pendingRequests() const { return int(m_requests.size()); }

signals:
    void shotTaken(quint64 request, const CameraShot &shot);
    void allTaken(quint64 request, const QList<CameraShot> &shots);

private:
    struct Snapshot;
    struct Request {
        bool all = false;
        QList<CameraShot> shots;
        int open = 0;
    };

    quint64 start(const QList<CameraSettings> &cameras, bool all);
    void startSnapshot(quint64 request, int index, const CameraSettings &camera);
    void onReadyRead(QNetworkReply *reply);
    void onFinished(QNetworkReply *reply);
    void onAuthenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator);
    void stopWith(QNetworkReply *reply, const QString &reason);
    void checkPicture(quint64 request, int index, CameraShot shot, qint64 startedMs);
    void complete(quint64 request, int index, CameraShot shot);

    QNetworkAccessManager *m_network;
    QElapsedTimer m_clock; // ms of each snapshot, from its own start
    quint64 m_nextRequest = 1;
    std::map<quint64, Request> m_requests;
    std::map<QNetworkReply *, std::unique_ptr<Snapshot>> m_snapshots;
};
