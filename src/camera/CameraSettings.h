#pragma once

#include <QList>
#include <QString>

#include <optional>

class Config;

// One configured camera of Kelvo.ini ([Kamera1] to [Kamera4]).
struct CameraSettings {
    static constexpr int kCount = 4;
    static constexpr int kDefaultTimeoutMs = 2000;

    int number = 0; // 1 to 4
    QString name;
    QString url;
    QString user;
    QString password; // decoded
    int timeoutMs = kDefaultTimeoutMs;

    // Camera number's section; nothing when it has no URL (or number is not 1 to 4).
    static std::optional<CameraSettings> fromConfig(const Config &config, int number);
    // Every configured camera, in number order.
    static QList<CameraSettings> allFromConfig(const Config &config);
};
