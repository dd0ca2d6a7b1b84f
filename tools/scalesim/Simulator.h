#pragma once

#include "CommandParser.h"
#include "FrameFormat.h"
#include "WeightProfile.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>

// A scale indicator: a load that follows a profile, a display that can be zeroed, frames in one make's shape, and
// answers to the commands the weighing program sends.
class Simulator : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<qint64()>; // milliseconds since start

    Simulator(WeightProfile profile, FrameFormat::Format format, Clock clock = {}, QObject *parent = nullptr);

    FrameFormat::Format format() const { return m_format; }
    // Disomat indicators speak only when asked.
    bool sendsContinuously() const { return m_format != FrameFormat::Format::Disomat; }
    qint32 currentWeight() const;
    QByteArray currentFrame() const;
    // Bytes from the program; returns the answer to send back (empty when none). Every command is logged.
    QByteArray handleInput(const QByteArray &bytes);

signals:
    void logLine(const QString &line);

private:
    qint64 now() const;

    WeightProfile m_profile;
    FrameFormat::Format m_format;
    Clock m_clock;
    QElapsedTimer m_started;
    CommandParser m_parser;
    qint64 m_zeroOffset = 0;
};
