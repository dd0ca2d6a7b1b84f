#include "Commands.h"

#include "CameraClient.h"
#include "CameraSettings.h"
#include "Invocation.h"

#include <QEventLoop>
#include <QSaveFile>
#include <QTimer>

// One picture of camera N of the folder's Kelvo.ini into FILE; stores nothing. A failure goes to standard error
// with exit 1, so a script can tell the reason from the "BYTES bájt, MS ms" line.
int cameraTestCommand(Invocation &call)
{
    const QString file = call.args().required(QStringLiteral("--to"));
    int number = 1;
    if (!call.args().operands().isEmpty()) {
        bool ok = false;
        number = call.args().operands().first().toInt(&ok);
        if (!ok || number < 1 || number > CameraSettings::kCount)
            throw BadArguments(QStringLiteral("N is a camera number, 1 to %1").arg(CameraSettings::kCount));
    }
    const std::optional<CameraSettings> camera = CameraSettings::fromConfig(call.config(), number);
    if (!camera) {
        call.err() << (number == 1 ? "Az " : "A ") << number << ". kamera nincs beállítva (nincs URL a [Kamera"
                   << number << "] szakaszban).\n";
        return kRefused;
    }

    CameraClient client;
    std::optional<CameraShot> shot;
    QEventLoop loop;
    QObject::connect(&client, &CameraClient::shotTaken, &loop, [&](quint64, const CameraShot &taken) {
        shot = taken;
        loop.quit();
    });
    // The client keeps the camera's own limit; this one only guards against a client that never reports.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    client.takeShot(*camera);
    guard.start(camera->timeoutMs + 10000);
    loop.exec();
    if (!shot) {
        call.err() << "Nincs válasz " << camera->timeoutMs << " ms alatt\n";
        return kRefused;
    }
    if (!shot->ok()) {
        call.err() << shot->missing << '\n';
        return kRefused;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(shot->jpeg) != shot->jpeg.size() || !out.commit()) {
        call.err() << "A kép mentése nem sikerült: " << file << ": " << out.errorString() << '\n';
        return kRefused;
    }
    call.out() << shot->jpeg.size() << " bájt, " << shot->ms << " ms\n";
    return kDone;
}
