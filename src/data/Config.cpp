#include "Config.h"

#include "Formats.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Keys {

QList<const ConfigKey *> all()
{
    return {&datapath,   &karbantart,  &halozati,        &Pass,         &enablesettings, &autoindul,
            &sulybetutipus, &nullazgomb, &hitlejar,     &Autobackup,   &utolsomentes,   &autobackuppath,
            &backuppath, &sulylekerdez, &hostip,         &hostport,     &disomatb,       &comsettings,
            &maxsuly,    &enablehand,  &tarasuly,        &ewcgomb,      &egysegar,       &levonasoklatszik,
            &tablalatszik, &tisztasag, &viztartalom,     &elvartviz,    &fixszallito,    &fszallito,
            &fixtermek,  &ftermek,     &fixugyfel,       &fugyfel,      &fixraktar,      &fraktar,
            &minautosuly, &autoido,    &Printmode,       &merlegjegy,   &winwordfile,    &worddirectprint,
            &evelojel,   &outtxt,      &outbat,          &be1,          &be2,            &ki1,
            &ki2,        &minusznapok, &modosithato,     &tmodosithato, &minsorszam,     &Port,
            &Terminator, &Baudrate,    &Databits,        &Parity,       &Stopbits,       &micraorden,
            &bilanciai,  &lekerdez,    &lekerdezparancs, &lekerdezido,  &nullaz,
            &Profile,    &stabiltures, &stabilido,       &stabilkell,
            &taralejar,
            &fenykapukell, &KapuHost, &KapuPort, &KapuUnit, &BePiros, &BeZold, &KiPiros, &KiZold,
            &Sorompo,    &SorompoIdo,  &Fenykapu1,       &Fenykapu2,
            &Kamera1URL, &Kamera1User, &Kamera1Password, &Kamera1Timeout, &Kamera1Name,
            &Kamera2URL, &Kamera2User, &Kamera2Password, &Kamera2Timeout, &Kamera2Name,
            &Kamera3URL, &Kamera3User, &Kamera3Password, &Kamera3Timeout, &Kamera3Name,
            &Kamera4URL, &Kamera4User, &Kamera4Password, &Kamera4Timeout, &Kamera4Name,
            &WebWebhook, &WebWebhookTimeout, &WebWebhookRetry};
}

} // namespace Keys

Config::Config(QString iniFileName, QString programFolder)
    : m_programFolder(std::move(programFolder))
    , m_ini(std::move(iniFileName))
{
}

QString Config::locateIniFile(const QString &programFolder)
{
    const QString local = programFolder + QStringLiteral("Kelvo.ini");
    if (QFileInfo::exists(local))
        return local;
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    QDir().mkpath(base);
    return base + QStringLiteral("/Kelvo.ini");
}

QString Config::defaultText(const ConfigKey &key) const
{
    QString text = QString::fromUtf8(key.defaultValue);
    text.replace(QLatin1String("{home}"), m_programFolder);
    return text;
}

QString Config::dialogDefaultText(const ConfigKey &key) const
{
    return key.dialogDefault ? QString::fromUtf8(key.dialogDefault) : defaultText(key);
}

QString Config::string(const ConfigKey &key) const
{
    return m_ini.readString(QLatin1String(key.section), QLatin1String(key.name), defaultText(key));
}

qint64 Config::integer(const ConfigKey &key) const
{
    qint64 fallback = 0;
    Formats::parseInteger(defaultText(key), &fallback);
    return m_ini.readInteger(QLatin1String(key.section), QLatin1String(key.name), fallback);
}

bool Config::boolean(const ConfigKey &key) const
{
    return m_ini.readBool(QLatin1String(key.section), QLatin1String(key.name), defaultText(key) != u"0");
}

QDate Config::date(const ConfigKey &key) const
{
    return m_ini.readDate(QLatin1String(key.section), QLatin1String(key.name), Formats::parseDate(defaultText(key)));
}

bool Config::setString(const ConfigKey &key, const QString &value)
{
    return m_ini.writeString(QLatin1String(key.section), QLatin1String(key.name), value);
}

bool Config::setInteger(const ConfigKey &key, qint64 value)
{
    return m_ini.writeInteger(QLatin1String(key.section), QLatin1String(key.name), value);
}

bool Config::setBoolean(const ConfigKey &key, bool value)
{
    return m_ini.writeBool(QLatin1String(key.section), QLatin1String(key.name), value);
}

bool Config::setDate(const ConfigKey &key, const QDate &value)
{
    return m_ini.writeDate(QLatin1String(key.section), QLatin1String(key.name), value);
}

QList<int> Config::columnWidths(const char *section, int count, int defaultWidth) const
{
    QList<int> widths;
    for (int i = 0; i < count; ++i)
        widths.append(int(m_ini.readInteger(QLatin1String(section), QString::number(i), defaultWidth)));
    return widths;
}

bool Config::setColumnWidths(const char *section, const QList<int> &widths)
{
    for (int i = 0; i < widths.size(); ++i) {
        if (!m_ini.writeInteger(QLatin1String(section), QString::number(i), widths.at(i)))
            return false;
    }
    return true;
}
