#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The own company's name and address block, sajatceg.txt in the program folder, one line per line.
namespace CompanyData {

inline constexpr char kFileName[] = "sajatceg.txt";
inline constexpr char kMissingMessage[] = "Állítsa be a \"Saját Cég\" adatait !";
inline constexpr char kNotSetLine[] = "Nem beállított !";
inline constexpr char kSaveFailedMessage[] =
    "A saját adatok mentése nem sikerült. Írásvédett a fájl, vagy nincs jogosultság.";

// The lines of the file (UTF-8 or Windows-1250), or nothing when it does not exist.
std::optional<QStringList> load(const QString &programFolder);
// Replaces the file with the lines, each ended by CR LF. False when the system refuses the write.
bool save(const QString &programFolder, const QStringList &lines);

struct StartupLoad {
    QStringList lines;
    QString message; // the message to show when the file was missing
    bool saveFailed = false;
};
// Loads the file; when it is missing, the lines become the single "not set" line and the file is written.
StartupLoad loadAtStartup(const QString &programFolder);

} // namespace CompanyData
