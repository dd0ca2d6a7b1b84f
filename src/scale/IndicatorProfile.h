#pragma once

#include "FrameDecoder.h"

#include <QByteArrayView>
#include <QRegularExpression>
#include <QString>

#include <optional>
#include <variant>

// What an indicator says about its load besides the number.
enum class WeightState { Stable, Motion, Overload, Underload, Error };

// "stable", "motion", "overload", "underload", "error".
QString weightStateName(WeightState state);

struct ProfileReading {
    // Whole kilograms; none when the frame carries no usable weight (garbage, over- or underload, an error reply).
    std::optional<qint32> weight;
    // None when the frame family carries no status: stability must then be judged over time.
    std::optional<WeightState> state;
};

// How the frames of one indicator family read: the plain digit filter, or one of the families that also report
// whether the load is at rest. A profile is named in the configuration as "digits", "csv-status",
// "command-set", "status-bytes" or "regex:PATTERN" (named groups weight, status and unit).
class IndicatorProfile
{
public:
    enum class Kind { Digits, CsvStatus, CommandSet, StatusBytes, Regex };

    IndicatorProfile() = default;
    // The profile, or why the name is not one.
    static std::variant<IndicatorProfile, QString> parse(const QString &name);

    Kind kind() const { return m_kind; }
    QString name() const;
    // Whether this family's frames say when the load is at rest.
    bool carriesStatus() const { return m_kind != Kind::Digits; }

    // options apply to the digit filter only.
    ProfileReading read(QByteArrayView frame, const DecoderOptions &options = {}) const;

    // A number with optional sign, blanks after the sign, decimal point or comma, in the unit "g", "kg" or "t"
    // (none: kg), as whole kilograms rounded half away from zero. None when it is not a number or does not fit.
    static std::optional<qint32> kilograms(QByteArrayView number, QByteArrayView unit);

private:
    Kind m_kind = Kind::Digits;
    QRegularExpression m_pattern;
};
