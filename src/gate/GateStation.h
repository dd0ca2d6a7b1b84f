#pragma once

#include "GateLights.h"
#include "GateModule.h"
#include "Refusal.h"

#include <QObject>

#include <memory>
#include <optional>

// The station's side of the gate: owns the module (when the site has one) and the lights' rules, takes the weighing
// events (each weight the scale shows, each weighing stored, the operator's commands) and writes what the lights and
// the barrier should do. Lives on the thread that feeds it; nothing here waits.
class GateStation : public QObject
{
    Q_OBJECT

public:
    explicit GateStation(QObject *parent = nullptr);
    ~GateStation() override;

    // Makes the module for these settings and starts it (none without a host); a load is a weight above
    // loadThreshold kg. The same settings again keep the module and its link. The lights take up the weighing where
    // it stands (the last weight shown).
    void configure(const GateSettings &settings, qint64 loadThreshold);

    bool hasModule() const { return m_module != nullptr; }
    const GateSettings &settings() const { return m_settings; }
    GateModule::Link link() const;
    QString reason() const;
    // Null without a module.
    const GateModule *module() const { return m_module.get(); }

    void weight(qint64 kilograms);
    // A weighing was stored; finished: the transport is done (the barrier opens).
    void weighingStored(bool finished);

    // The operator's commands. False, with nothing done, when the module is not connected or the site lacks the
    // point. point: the Kelvo.ini key of the coil the command is recorded under.
    bool setLight(GateLights::Light light, GateLights::Aspect aspect, QString *point = nullptr);
    bool openBarrier();
    // Whether the site has the points of a command.
    bool hasLight(GateLights::Light light) const;
    bool hasBarrier() const;

    // With required ([Opt] fenykapukell), why no weight may be taken now; none when it may.
    std::optional<Refusal> positionRefusal(bool required) const;

signals:
    void linkChanged(GateModule::Link link, const QString &reason);
    // The module was made anew or removed (its link starts over).
    void moduleChanged();

private:
    void apply(const GateLights::Output &out);

    GateSettings m_settings;
    qint64 m_threshold = 0;
    std::unique_ptr<GateModule> m_module;
    std::unique_ptr<GateLights> m_lights;
    std::optional<qint64> m_lastWeight;
};
