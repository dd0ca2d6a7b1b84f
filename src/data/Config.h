#pragma once

#include "IniFile.h"

#include <QDate>
#include <QList>
#include <QString>

// Every key of Kelvo.ini with its section, type and default, in one place.
enum class KeyType { String, Integer, Boolean, Date };

struct ConfigKey {
    const char *section;
    const char *name;
    KeyType type;
    // Text form of the default ("1"/"0" for Booleans, "yyyy.mm.dd" for dates); "{home}" stands for the program
    // folder with its trailing separator.
    const char *defaultValue;
    // The default the settings dialog shows when the key is absent, where it differs from the start-up default.
    const char *dialogDefault = nullptr;
};

namespace Keys {
// clang-format off
// Program and database
inline constexpr ConfigKey datapath        {"Opt", "datapath",        KeyType::String,  "{home}kelvo.mdb"};
inline constexpr ConfigKey karbantart      {"Opt", "karbantart",      KeyType::Boolean, "1", "0"};
inline constexpr ConfigKey halozati        {"Opt", "halozati",        KeyType::Boolean, "0"};
inline constexpr ConfigKey Pass            {"Opt", "Pass",            KeyType::String,  ""};
inline constexpr ConfigKey enablesettings  {"Opt", "enablesettings",  KeyType::Boolean, "1"};
inline constexpr ConfigKey autoindul       {"Opt", "autoindul",       KeyType::Boolean, "0"};
inline constexpr ConfigKey sulybetutipus   {"Opt", "sulybetutipus",   KeyType::String,  "Tahoma"};
inline constexpr ConfigKey nullazgomb      {"Opt", "nullazgomb",      KeyType::Boolean, "1"};
inline constexpr ConfigKey hitlejar        {"Opt", "hitlejar",        KeyType::Date,    "2099.12.30"};
// Backup
inline constexpr ConfigKey Autobackup      {"Opt", "Autobackup",      KeyType::Integer, "0"};
inline constexpr ConfigKey utolsomentes    {"Opt", "utolsomentes",    KeyType::Integer, "0"};
inline constexpr ConfigKey autobackuppath  {"Opt", "autobackuppath",  KeyType::String,  "{home}"};
inline constexpr ConfigKey backuppath      {"Opt", "backuppath",      KeyType::String,  "{home}"};
// Scale link
inline constexpr ConfigKey sulylekerdez    {"Opt", "sulylekerdez",    KeyType::Boolean, "0"};
inline constexpr ConfigKey hostip          {"Opt", "hostip",          KeyType::String,  "0.0.0.0"};
inline constexpr ConfigKey hostport        {"Opt", "hostport",        KeyType::String,  "5000"};
inline constexpr ConfigKey disomatb        {"Opt", "disomatb",        KeyType::Boolean, "0"};
inline constexpr ConfigKey comsettings     {"Opt", "comsettings",     KeyType::Boolean, "1"};
inline constexpr ConfigKey maxsuly         {"Opt", "maxsuly",         KeyType::Integer, "999999"};
// Weighing windows
inline constexpr ConfigKey enablehand      {"Opt", "enablehand",      KeyType::Boolean, "1"};
inline constexpr ConfigKey tarasuly        {"Opt", "tarasuly",        KeyType::Boolean, "1"};
inline constexpr ConfigKey ewcgomb         {"Opt", "ewcgomb",         KeyType::Boolean, "1"};
inline constexpr ConfigKey egysegar        {"Opt", "egysegar",        KeyType::Boolean, "1"};
inline constexpr ConfigKey levonasoklatszik{"Opt", "levonasoklatszik",KeyType::Boolean, "1"};
inline constexpr ConfigKey tablalatszik    {"Opt", "tablalatszik",    KeyType::Boolean, "1"};
inline constexpr ConfigKey tisztasag       {"Opt", "tisztasag",       KeyType::String,  "100"};
inline constexpr ConfigKey viztartalom     {"Opt", "viztartalom",     KeyType::String,  "14"};
inline constexpr ConfigKey elvartviz       {"Opt", "elvartviz",       KeyType::String,  "15"};
inline constexpr ConfigKey fixszallito     {"Opt", "fixszallito",     KeyType::Boolean, "0"};
inline constexpr ConfigKey fszallito       {"Opt", "fszallito",       KeyType::String,  ""};
inline constexpr ConfigKey fixtermek       {"Opt", "fixtermek",       KeyType::Boolean, "0"};
inline constexpr ConfigKey ftermek         {"Opt", "ftermek",         KeyType::String,  ""};
inline constexpr ConfigKey fixugyfel       {"Opt", "fixugyfel",       KeyType::Boolean, "0"};
inline constexpr ConfigKey fugyfel         {"Opt", "fugyfel",         KeyType::String,  ""};
inline constexpr ConfigKey fixraktar       {"Opt", "fixraktar",       KeyType::Boolean, "0"};
inline constexpr ConfigKey fraktar         {"Opt", "fraktar",         KeyType::String,  ""};
inline constexpr ConfigKey minautosuly     {"Opt", "minautosuly",     KeyType::Integer, "200"};
inline constexpr ConfigKey stabiltures     {"Opt", "stabiltures",     KeyType::Integer, "1"};
inline constexpr ConfigKey stabilido       {"Opt", "stabilido",       KeyType::Integer, "1000"};
inline constexpr ConfigKey stabilkell      {"Opt", "stabilkell",      KeyType::Boolean, "0"};
// Days a stored tare may be recalled; 0 keeps it for ever.
inline constexpr ConfigKey taralejar       {"Opt", "taralejar",       KeyType::Integer, "0"};
inline constexpr ConfigKey autoido         {"Opt", "autoido",         KeyType::Integer, "0"};
// Printing and records
inline constexpr ConfigKey Printmode       {"Opt", "Printmode",       KeyType::Integer, "0"};
inline constexpr ConfigKey merlegjegy      {"Opt", "merlegjegy",      KeyType::String,  "merlegjegy.htm"};
inline constexpr ConfigKey winwordfile     {"Opt", "winwordfile",     KeyType::String,  "{home}merlegjegy.doc"};
inline constexpr ConfigKey worddirectprint {"Opt", "worddirectprint", KeyType::Boolean, "0"};
inline constexpr ConfigKey evelojel        {"Opt", "evelojel",        KeyType::Boolean, "1"};
inline constexpr ConfigKey outtxt          {"Opt", "outtxt",          KeyType::Boolean, "0"};
inline constexpr ConfigKey outbat          {"Opt", "outbat",          KeyType::Boolean, "0"};
inline constexpr ConfigKey be1             {"Opt", "be1",             KeyType::String,  "Vevő",  "Szállító"};
inline constexpr ConfigKey be2             {"Opt", "be2",             KeyType::String,  "Eladó", "Ügyfél"};
inline constexpr ConfigKey ki1             {"Opt", "ki1",             KeyType::String,  "Eladó", "Szállító"};
inline constexpr ConfigKey ki2             {"Opt", "ki2",             KeyType::String,  "Vevő",  "Ügyfél"};
inline constexpr ConfigKey minusznapok     {"Opt", "minusznapok",     KeyType::Integer, "30"};
inline constexpr ConfigKey modosithato     {"Opt", "modosithato",     KeyType::Boolean, "1"};
inline constexpr ConfigKey tmodosithato    {"Opt", "tmodosithato",    KeyType::Boolean, "0"};
inline constexpr ConfigKey minsorszam      {"Opt", "minsorszam",      KeyType::String,  "0"};
// Serial port of the scale (the section is named after the main window's port component)
inline constexpr ConfigKey Port            {"ComPort1", "Port",            KeyType::String,  "COM1"};
inline constexpr ConfigKey Terminator      {"ComPort1", "Terminator",      KeyType::String,  "#13#10"};
inline constexpr ConfigKey Baudrate        {"ComPort1", "Baudrate",        KeyType::Integer, "2400"};
inline constexpr ConfigKey Databits        {"ComPort1", "Databits",        KeyType::Integer, "8"};
inline constexpr ConfigKey Parity          {"ComPort1", "Parity",          KeyType::String,  "ptNONE"};
inline constexpr ConfigKey Stopbits        {"ComPort1", "Stopbits",        KeyType::String,  "sbONE"};
inline constexpr ConfigKey micraorden      {"ComPort1", "micraorden",      KeyType::Boolean, "0"};
inline constexpr ConfigKey bilanciai       {"ComPort1", "bilanciai",       KeyType::Boolean, "0"};
inline constexpr ConfigKey lekerdez        {"ComPort1", "lekerdez",        KeyType::Boolean, "0"};
inline constexpr ConfigKey lekerdezparancs {"ComPort1", "lekerdezparancs", KeyType::String,  "XA/B?"};
inline constexpr ConfigKey lekerdezido     {"ComPort1", "lekerdezido",     KeyType::Integer, "1000"};
inline constexpr ConfigKey nullaz          {"ComPort1", "nullaz",          KeyType::String,  "sc"};
inline constexpr ConfigKey Profile         {"ComPort1", "Profile",         KeyType::String,  "digits"};
// Gate input/output module (Modbus TCP). A point left out is one the site does not have; no Host, no module.
inline constexpr ConfigKey fenykapukell    {"Opt",  "fenykapukell", KeyType::Boolean, "0"};
inline constexpr ConfigKey KapuHost        {"Kapu", "Host",         KeyType::String,  ""};
inline constexpr ConfigKey KapuPort        {"Kapu", "Port",         KeyType::Integer, "502"};
inline constexpr ConfigKey KapuUnit        {"Kapu", "Unit",         KeyType::Integer, "1"};
inline constexpr ConfigKey BePiros         {"Kapu", "BePiros",      KeyType::String,  ""};
inline constexpr ConfigKey BeZold          {"Kapu", "BeZold",       KeyType::String,  ""};
inline constexpr ConfigKey KiPiros         {"Kapu", "KiPiros",      KeyType::String,  ""};
inline constexpr ConfigKey KiZold          {"Kapu", "KiZold",       KeyType::String,  ""};
inline constexpr ConfigKey Sorompo         {"Kapu", "Sorompo",      KeyType::String,  ""};
inline constexpr ConfigKey SorompoIdo      {"Kapu", "SorompoIdo",   KeyType::Integer, "1000"};
inline constexpr ConfigKey Fenykapu1       {"Kapu", "Fenykapu1",    KeyType::String,  ""};
inline constexpr ConfigKey Fenykapu2       {"Kapu", "Fenykapu2",    KeyType::String,  ""};
// IP cameras, sections Kamera1 to Kamera4 (read through CameraSettings): a snapshot URL answering with one JPEG,
// its user and password (the password encoded like [Opt] Pass), the time limit in ms and a name for the pictures.
// A section without URL is no camera.
inline constexpr ConfigKey Kamera1URL     {"Kamera1", "URL",      KeyType::String,  ""};
inline constexpr ConfigKey Kamera1User    {"Kamera1", "User",     KeyType::String,  ""};
inline constexpr ConfigKey Kamera1Password{"Kamera1", "Password", KeyType::String,  ""};
inline constexpr ConfigKey Kamera1Timeout {"Kamera1", "Timeout",  KeyType::Integer, "2000"};
inline constexpr ConfigKey Kamera1Name    {"Kamera1", "Name",     KeyType::String,  "Kamera 1"};
inline constexpr ConfigKey Kamera2URL     {"Kamera2", "URL",      KeyType::String,  ""};
inline constexpr ConfigKey Kamera2User    {"Kamera2", "User",     KeyType::String,  ""};
inline constexpr ConfigKey Kamera2Password{"Kamera2", "Password", KeyType::String,  ""};
inline constexpr ConfigKey Kamera2Timeout {"Kamera2", "Timeout",  KeyType::Integer, "2000"};
inline constexpr ConfigKey Kamera2Name    {"Kamera2", "Name",     KeyType::String,  "Kamera 2"};
inline constexpr ConfigKey Kamera3URL     {"Kamera3", "URL",      KeyType::String,  ""};
inline constexpr ConfigKey Kamera3User    {"Kamera3", "User",     KeyType::String,  ""};
inline constexpr ConfigKey Kamera3Password{"Kamera3", "Password", KeyType::String,  ""};
inline constexpr ConfigKey Kamera3Timeout {"Kamera3", "Timeout",  KeyType::Integer, "2000"};
inline constexpr ConfigKey Kamera3Name    {"Kamera3", "Name",     KeyType::String,  "Kamera 3"};
inline constexpr ConfigKey Kamera4URL     {"Kamera4", "URL",      KeyType::String,  ""};
inline constexpr ConfigKey Kamera4User    {"Kamera4", "User",     KeyType::String,  ""};
inline constexpr ConfigKey Kamera4Password{"Kamera4", "Password", KeyType::String,  ""};
inline constexpr ConfigKey Kamera4Timeout {"Kamera4", "Timeout",  KeyType::Integer, "2000"};
inline constexpr ConfigKey Kamera4Name    {"Kamera4", "Name",     KeyType::String,  "Kamera 4"};
// Webhooks (read through WebhookSettings): the URLs every finished, cancelled or modified ticket is posted to,
// separated by spaces or ";"; the time limit of one request and the first wait after a failure, in ms.
inline constexpr ConfigKey WebWebhook       {"Web", "webhook",        KeyType::String,  ""};
inline constexpr ConfigKey WebWebhookTimeout{"Web", "webhooktimeout", KeyType::Integer, "10000"};
inline constexpr ConfigKey WebWebhookRetry  {"Web", "webhookretry",   KeyType::Integer, "1000"};
// clang-format on

// Sections whose keys are not fixed.
inline constexpr char kFolyamatbanOszlop[] = "Folyamatban_oszlop";
inline constexpr char kSzallitasokOszlop[] = "Szallitasok_oszlop";
inline constexpr char kAutomeresekOszlop[] = "automeresek_oszlop";

// The keys of each camera section, cameras 1 to 4 at 0 to 3.
struct CameraKeys {
    const ConfigKey &url;
    const ConfigKey &user;
    const ConfigKey &password;
    const ConfigKey &timeout;
    const ConfigKey &name;
};
inline constexpr CameraKeys kamera[] = {
    {Kamera1URL, Kamera1User, Kamera1Password, Kamera1Timeout, Kamera1Name},
    {Kamera2URL, Kamera2User, Kamera2Password, Kamera2Timeout, Kamera2Name},
    {Kamera3URL, Kamera3User, Kamera3Password, Kamera3Timeout, Kamera3Name},
    {Kamera4URL, Kamera4User, Kamera4Password, Kamera4Timeout, Kamera4Name},
};

QList<const ConfigKey *> all();
} // namespace Keys

inline constexpr char kSaveFailedMessage[] =
    "A beállítások mentése nem sikerült. Írásvédett a fájl, vagy nincs jogosultság.";

// The configuration of one run: the INI file and the program folder its defaults refer to.
class Config
{
public:
    Config(QString iniFileName, QString programFolder);

    // Kelvo.ini of the program folder when it exists there, else the per-user configuration folder.
    static QString locateIniFile(const QString &programFolder);

    IniFile &ini() { return m_ini; }
    const IniFile &ini() const { return m_ini; }
    const QString &programFolder() const { return m_programFolder; }

    QString defaultText(const ConfigKey &key) const;
    QString dialogDefaultText(const ConfigKey &key) const;

    QString string(const ConfigKey &key) const;
    qint64 integer(const ConfigKey &key) const;
    bool boolean(const ConfigKey &key) const;
    QDate date(const ConfigKey &key) const;

    // Each returns false when the system refuses the write.
    bool setString(const ConfigKey &key, const QString &value);
    bool setInteger(const ConfigKey &key, qint64 value);
    bool setBoolean(const ConfigKey &key, bool value);
    bool setDate(const ConfigKey &key, const QDate &value);

    // Column widths of a list, keys "0" upward.
    QList<int> columnWidths(const char *section, int count, int defaultWidth = 100) const;
    bool setColumnWidths(const char *section, const QList<int> &widths);

private:
    QString m_programFolder;
    IniFile m_ini;
};
