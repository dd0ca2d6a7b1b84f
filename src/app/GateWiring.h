#pragma once

#include "GateLights.h"

#include <QObject>

#include <memory>

class GateStation;
class Kelvo;

// The gate at this station in the window program: the module as Kelvo.ini [Kapu] says (made again when the settings
// change), fed by every weight the scale shows and every weighing stored; its state in the main window's status bar
// and the operator's commands in the "Kapu" menu, each recorded in the trail.
class GateWiring : public QObject
{
    Q_OBJECT

public:
    explicit GateWiring(Kelvo &kelvo);
    ~GateWiring() override;

    // Start-up and the settings dialog's OK: the module as the file says now (the same settings keep the link).
    void configure();
    // Shutdown: the module's connection is closed; the lights stay as they are.
    void close();

    GateStation &station() const { return *m_station; }
    void weighingStored(bool finished);

    // The operator's commands (the menu's actions call them).
    void openBarrier();
    void setLight(GateLights::Light light, GateLights::Aspect aspect);

private:
    void showLink();
    void record(const QString &point, const QString &state);

    Kelvo &m_kelvo;
    std::unique_ptr<GateStation> m_station;
};
