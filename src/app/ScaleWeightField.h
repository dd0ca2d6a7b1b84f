#pragma once

#include <QString>

class QCheckBox;
class TNumEdit;

// The weight box of a weighing window as the scale feeds it. While frames arrive and "Kézi súly" is off, every
// weight goes into the box as long as the window shows; when the link falls silent the box empties and says so, so
// that a weight minutes old is never recorded as the truck's.
class ScaleWeightField
{
public:
    static constexpr char kNoDataHint[] = "nincs adat";

    ScaleWeightField(QCheckBox *manual, TNumEdit *weight);

    void offer(const QString &text);
    void lose();
    // Manual weight off and the box showing the scale's current weight (empty while the link is silent): a window
    // opened for the next truck never keeps the weight typed for the last one.
    void followScale();
    // Whether the box holds a weight that may be recorded: typed by hand, or from a link that is alive.
    bool usable() const;

private:
    QCheckBox *m_manual;
    TNumEdit *m_weight;
    QString m_last; // the link's latest weight, also when it came while the window was hidden
    bool m_live = false;
};
