#pragma once

#include <QList>
#include <QString>

// How the simulated load changes over time. A profile repeats from its start when it comes to its end.
class WeightProfile
{
public:
    struct Step {
        qint32 kilograms = 0;
        qint64 durationMs = 0;
        bool ramp = false; // move evenly from the previous step's weight to this one over the duration
    };

    static WeightProfile fixed(qint32 kilograms);
    // Empty bridge, the truck drives on, stands, drives off; the loaded weight is `kilograms`.
    static WeightProfile truck(qint32 kilograms);
    // Lines "WEIGHT SECONDS" (seconds may have a fraction; "ramp" as a third word moves there evenly); blank lines
    // and lines starting with "#" are skipped. Returns an empty profile with *error set on a bad line.
    static WeightProfile fromScript(const QString &text, QString *error);

    bool isEmpty() const { return m_steps.isEmpty(); }
    qint64 lengthMs() const;
    qint32 weightAt(qint64 elapsedMs) const;

private:
    QList<Step> m_steps;
};
