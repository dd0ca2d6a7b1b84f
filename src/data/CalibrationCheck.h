#pragma once

#include <QDate>
#include <QString>

#include <optional>

// The warning about the scale's calibration: shown when fewer than 30 days are left, and after expiry.
std::optional<QString> calibrationWarning(const QDate &expiry, const QDate &today);
