#pragma once

#include "IndicatorProfile.h"

#include <QString>

// The texts the operator sees about the scale link: the weight label, its hint and the link panel of the status bar.
// The trailing blanks of the panel texts are part of them.
namespace LinkTexts {

inline const QString kInitialLabel = QStringLiteral("..");
inline const QString kNoWeightLabel = QStringLiteral("?");
inline const QString kHintWeight = QStringLiteral("Tömegérték megjelenítése.");
inline const QString kHintNoData = QStringLiteral("Megszakadt a kapcsolat a mérleggel.");
inline const QString kHintPortError = QStringLiteral("Com Port hiba. A port nem nyitható meg.");
inline const QString kZeroHint = QStringLiteral("Mérleg nullázása");

inline QString portOpened(const QString &port) { return port + QStringLiteral(" OK, megnyitva.      "); }
inline QString receiving(const QString &port) { return port + QStringLiteral(" OK, adatfogadás...      "); }
inline QString noData(const QString &port) { return port + QStringLiteral(" OK, nincs adat.      "); }
inline QString portError(const QString &port) { return port + QStringLiteral(" Hiba, nincs megnyitva.      "); }
inline QString serverPoll(const QString &host, const QString &port)
{
    return QStringLiteral("GET ") + host + u':' + port + QStringLiteral("       ");
}
inline QString clientError(int code) { return QStringLiteral("Client error: ") + QString::number(code) + QStringLiteral("       "); }

// Why a live weight may not be taken although frames arrive.
inline const QString kNotStable = QStringLiteral("A mérleg nincs nyugalomban, a súly nem vehető át ! Várja meg, amíg a tömeg beáll.");
inline const QString kOverload = QStringLiteral("A mérleg túlterhelt, a súly nem vehető át !");
inline const QString kUnderload = QStringLiteral("A mérleg alulterhelt, a súly nem vehető át !");
inline const QString kIndicatorError = QStringLiteral("A mérleg kijelzője hibát jelez, a súly nem vehető át !");

// The state beside the live weight.
inline QString stateText(WeightState state, bool live)
{
    if (!live)
        return QStringLiteral("Nincs kapcsolat");
    switch (state) {
    case WeightState::Stable:
        return QStringLiteral("Stabil");
    case WeightState::Motion:
        return QStringLiteral("Mozgásban");
    case WeightState::Overload:
        return QStringLiteral("Túlterhelés");
    case WeightState::Underload:
        return QStringLiteral("Alulterhelés");
    case WeightState::Error:
        break;
    }
    return QStringLiteral("Kijelző hiba");
}

} // namespace LinkTexts
