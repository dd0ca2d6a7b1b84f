#pragma once

#include <QString>

// Where a recorded weight came from. The ticket marks every weight that the scale did not give.
enum class WeightOrigin { Scale, Keyed, Recalled };

namespace WeightMark {

inline QString of(WeightOrigin origin)
{
    switch (origin) {
    case WeightOrigin::Keyed:
        return QStringLiteral("K");
    case WeightOrigin::Recalled:
        return QStringLiteral("T");
    case WeightOrigin::Scale:
        break;
    }
    return {};
}

} // namespace WeightMark
