#pragma once

#include "GateSettings.h"

#include <QObject>
#include <QTimer>

#include <memory>

class GateModule;

// One look at a module with settings not yet saved: connects, reads every configured point once and reports, or
// reports why it could not within the time limit. Asynchronous; a new run drops the one before.
class GateProbe : public QObject
{
    Q_OBJECT

public:
    static constexpr int kLimitMs = 5000;

    explicit GateProbe(QObject *parent = nullptr);
    ~GateProbe() override;

    void run(const GateSettings &settings);
    bool running() const { return m_module != nullptr; }

signals:
    // ok: the module answered; text: the inputs' and the coils' states ("Bemenetek: Fenykapu1 be, Fenykapu2 ki"),
    // or the reason it failed.
    void finished(bool ok, const QString &text);

private:
    void finish(bool ok, const QString &text);

    std::unique_ptr<GateModule> m_module;
    QTimer m_limit;
};
