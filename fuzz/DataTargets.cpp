#include "FuzzTarget.h"

#include "CompanyData.h"
#include "IniFile.h"
#include "TextCodec.h"

#include <QFile>
#include <QSet>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The section names of the file in order, as a reader would look for them.
QStringList sectionNames(const QByteArray &bytes)
{
    QStringList names;
    QString text = TextCodec::decode(bytes);
    text.replace(u'\r', u'\n');
    for (const QString &raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        const qsizetype close = line.indexOf(u']');
        if (line.startsWith(u'[') && close > 0)
            names.append(line.mid(1, close - 1).trimmed());
    }
    return names;
}

QSet<QString> lowerCase(const QStringList &names)
{
    QSet<QString> set;
    for (const QString &name : names)
        set.insert(name.toLower());
    return set;
}

QString withoutLineBreaks(QString text)
{
    text.remove(u'\r');
    text.remove(u'\n');
    return text;
}

// What a value reads back as: the writer turns line breaks and other control characters into blanks, and the reader
// trims.
QString asRead(QString value)
{
    for (QChar &c : value) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            c = u' ';
    }
    return value.trimmed();
}

// A section and key the file can hold as written: no line breaks, no "]" in a section name, no "=" in a key and no
// comment or section start in front of it. The value is any text (database names end up there), but not one that
// reads back without its enclosing quotes.
struct Entry {
    QString section, key, value;
};

Entry entryFor(const QString &text, const QStringList &sections, const IniFile &ini, quint8 choice)
{
    QStringList parts = text.split(u'|');
    while (parts.size() < 3)
        parts.append(QString());
    Entry e;
    e.section = withoutLineBreaks(parts.at(0)).remove(u']').trimmed();
    if ((choice & 1) && !sections.isEmpty())
        e.section = sections.at((choice >> 1) % sections.size());
    if (e.section.isEmpty())
        e.section = QStringLiteral("Opt");
    e.key = withoutLineBreaks(parts.at(1)).remove(u'=').trimmed();
    const QStringList keys = ini.sectionKeys(e.section);
    if ((choice & 0x20) && !keys.isEmpty())
        e.key = keys.at((choice >> 6) % keys.size());
    if (e.key.isEmpty() || e.key.startsWith(u';') || e.key.startsWith(u'['))
        e.key.prepend(u'k');
    e.value = parts.mid(2).join(u'|');
    const QString read = asRead(e.value);
    if (read.size() >= 2 && (read.front() == u'"' || read.front() == u'\'') && read.back() == read.front())
        e.value.append(u'x');
    return e;
}

// Kelvo.ini: everything readable before a write reads the same after it, no section gains or loses a key but the
// one written, and the written value reads back on its own line.
void runIni(const QByteArray &input, const QString &folder)
{
    const quint8 choice = input.isEmpty() ? 0 : quint8(input[0]);
    const qsizetype tail = input.size() > 1 ? quint8(input[1]) % 64 : 0;
    const QByteArray body = input.mid(2, std::max<qsizetype>(0, input.size() - 2 - tail));
    const QString path = folder + QStringLiteral("Kelvo.ini");
    if (!writeFile(path, body))
        propertyFailed(QStringLiteral("the input file could not be written"));
    IniFile ini(path);

    QStringList sections = sectionNames(body);
    sections.removeDuplicates();
    if (sections.size() > 4)
        sections.resize(4);
    struct Known {
        QString section, key, value;
    };
    QList<Known> before;
    QList<QSet<QString>> keysBefore;
    for (const QString &section : std::as_const(sections)) {
        const QStringList keys = ini.sectionKeys(section);
        keysBefore.append(lowerCase(keys));
        for (qsizetype i = 0; i < keys.size() && i < 6; ++i)
            before.append({section, keys.at(i), ini.readString(section, keys.at(i))});
        if (!keys.isEmpty()) {
            (void)ini.readInteger(section, keys.first(), -1);
            (void)ini.readDate(section, keys.last(), {});
        }
    }

    const Entry e = entryFor(QString::fromUtf8(input.right(tail)), sections, ini, choice);
    if (!ini.writeString(e.section, e.key, e.value))
        propertyFailed(QStringLiteral("a write was refused"));
    const QString back = ini.readString(e.section, e.key, QStringLiteral("<absent>"));
    if (back != asRead(e.value))
        propertyFailed(QStringLiteral("[%1] %2 wrote \"%3\", read \"%4\"").arg(e.section, e.key, e.value, back));
    for (qsizetype i = 0; i < sections.size(); ++i) {
        QSet<QString> expected = keysBefore.at(i);
        if (sections.at(i).compare(e.section, Qt::CaseInsensitive) == 0)
            expected.insert(e.key.toLower());
        if (lowerCase(ini.sectionKeys(sections.at(i))) != expected)
            propertyFailed(
                QStringLiteral("writing [%1] %2 changed the keys of [%3]").arg(e.section, e.key, sections.at(i)));
    }
    for (const Known &k : std::as_const(before)) {
        if (k.section.compare(e.section, Qt::CaseInsensitive) == 0 && k.key.compare(e.key, Qt::CaseInsensitive) == 0)
            continue;
        const QString now = ini.readString(k.section, k.key, QStringLiteral("<absent>"));
        if (now != k.value)
            propertyFailed(QStringLiteral("writing [%1] %2 changed [%3] %4 from \"%5\" to \"%6\"")
                               .arg(e.section, e.key, k.section, k.key, k.value, now));
    }
}

// sajatceg.txt: the lines read from any file are written and read back the same.
void runCompany(const QByteArray &input, const QString &folder)
{
    if (!writeFile(folder + QLatin1String(CompanyData::kFileName), input))
        propertyFailed(QStringLiteral("the input file could not be written"));
    const std::optional<QStringList> lines = CompanyData::load(folder);
    if (!lines)
        propertyFailed(QStringLiteral("an existing file read as missing"));
    if (!CompanyData::save(folder, *lines))
        propertyFailed(QStringLiteral("the lines could not be saved"));
    const std::optional<QStringList> again = CompanyData::load(folder);
    if (!again || *again != *lines)
        propertyFailed(QStringLiteral("the lines changed on their way through the file"));
}

} // namespace

QList<FuzzTarget> dataTargets()
{
    QList<FuzzTarget> targets;

    FuzzTarget ini;
    ini.name = QStringLiteral("ini");
    const QList<QByteArray> files = {
        "; comment\r\n[Opt]\r\nmerlegjegy=merleg2.htm\r\n  Hostip = 10.0.0.5  \r\nquoted=\"  spaced  \"\r\nempty=\r\n"
        "terminator=#13#10\r\ndup=first\r\ndup=second\r\n[ComPort1]\r\nPort=COM3\r\nBaud=9600\r\n[opt]\r\nlater=x\r\n",
        "[Opt]\r\nbe1=Sz\xE1ll\xEDt\xF3\r\nkezdatum=2024.01.31\r\nlekerdez=0x1F\r\n",
        "\xEF\xBB\xBF[Opt]\nbe1=\xC3\x9Cgyf\xC3\xA9l\n\n[ComPort1]\nlekerdez=1\n",
        "",
    };
    for (const QByteArray &file : files) {
        ini.seeds.append(QByteArray("\x01", 1) + char(0) + file);
        ini.seeds.append(QByteArray("\x21", 1) + char(11) + file + "Opt|k|v a l");
        ini.seeds.append(QByteArray("\x00", 1) + char(16) + file + "Uj|kulcs|\xC3\xA9rt\xC3\xA9k");
        ini.seeds.append(QByteArray("\x00", 1) + char(32) + file + "Opt|fszallito|Evil\nenablehand=0\r\n[x]");
    }
    ini.dictionary = {"[", "]", "=", ";", "\r\n", "\r", "\n", "\t", "\xC2\x85", "\xE2\x80\xA8", "\"", "'", "[Opt]",
                      "[ComPort1]", "0x", "$", "|"};
    ini.maxSize = 2048;
    ini.run = runIni;
    targets.append(ini);

    FuzzTarget company;
    company.name = QStringLiteral("company");
    company.seeds = {"Minta Kft.\r\n1234 Budapest, F\xC5\x91 utca 1.\r\nAdósz\xC3\xA1m: 12345678-2-42\r\n",
                     "Minta Kft.\r\nF\xF5 utca 1.\r\n", "\xEF\xBB\xBFNem be\xC3\xA1ll\xC3\xADtott !\r\n", "a\r\r\nb\n\nc",
                     ""};
    company.dictionary = {"\r\n", "\r", "\n", "\xEF\xBB\xBF"};
    company.maxSize = 2048;
    company.run = runCompany;
    targets.append(company);
    return targets;
}
