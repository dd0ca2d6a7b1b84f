#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QString>

// One snapshot of one camera: the JPEG, or why there is none.
struct CameraShot {
    int camera = 0; // 1 to 4
    QString name;
    QByteArray jpeg;
    QString missing; // empty when the picture is there; else the reason, in Hungarian
    qint64 ms = 0;   // from asking to the outcome
    QDateTime at;    // when it was asked for

    bool ok() const { return missing.isEmpty(); }
};

Q_DECLARE_METATYPE(CameraShot)
