#pragma once

#include "Refusal.h"

#include <QList>
#include <QString>

#include <variant>

// Look-up in the European Waste Catalogue list ewc.lst: one entry per line, the code, a TAB (or "=") and the
// description.
namespace EwcList {

inline constexpr char kFileName[] = "ewc.lst";
inline constexpr char kMissingFile[] = "Hiányzik a listát tartalmazó fájl.";
inline constexpr char kEmptySearch[] = "Írja be a keresendő részletet, majd nyomja le az ENTER billentyűt.";

struct Entry {
    QString code;
    QString description;
    bool operator==(const Entry &) const = default;
};

// Every line containing the text, compared with only the letters a to z folded to upper case.
std::variant<QList<Entry>, Refusal> search(const QString &programFolder, const QString &text);

} // namespace EwcList
