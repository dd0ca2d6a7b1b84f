#include "WeightProfile.h"

#include <QStringList>

WeightProfile WeightProfile::fixed(qint32 kilograms)
{
    WeightProfile profile;
    profile.m_steps.append({kilograms, 1000, false});
    return profile;
}

WeightProfile WeightProfile::truck(qint32 kilograms)
{
    WeightProfile profile;
    profile.m_steps = {
        {0, 3000, false},          // empty bridge
        {kilograms, 4000, true},   // driving on
        {kilograms, 10000, false}, // standing
        {0, 4000, true},           // driving off
    };
    return profile;
}

WeightProfile WeightProfile::fromScript(const QString &text, QString *error)
{
    WeightProfile profile;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        bool weightOk = false;
        bool secondsOk = false;
        const qint32 weight = words.value(0).toInt(&weightOk);
        const double seconds = words.value(1).toDouble(&secondsOk);
        const bool ramp = words.value(2) == QLatin1String("ramp");
        if (!weightOk || !secondsOk || seconds <= 0 || words.size() > 3 || (words.size() == 3 && !ramp)) {
            *error = QStringLiteral("line %1: expected \"WEIGHT SECONDS [ramp]\": %2").arg(i + 1).arg(line);
            return {};
        }
        profile.m_steps.append({weight, qint64(seconds * 1000.0 + 0.5), ramp});
    }
    if (profile.m_steps.isEmpty())
        *error = QStringLiteral("the script holds no steps");
    return profile;
}

qint64 WeightProfile::lengthMs() const
{
    qint64 length = 0;
    for (const Step &step : m_steps)
        length += step.durationMs;
    return length;
}

qint32 WeightProfile::weightAt(qint64 elapsedMs) const
{
    const qint64 length = lengthMs();
    if (length <= 0)
        return 0;
    qint64 t = elapsedMs % length;
    qint32 previous = m_steps.last().kilograms;
    for (const Step &step : m_steps) {
        if (t < step.durationMs) {
            if (!step.ramp)
                return step.kilograms;
            return qint32(previous + (qint64(step.kilograms) - previous) * t / step.durationMs);
        }
        t -= step.durationMs;
        previous = step.kilograms;
    }
    return m_steps.last().kilograms;
}
