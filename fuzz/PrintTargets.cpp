#include "FuzzTarget.h"

#include "TextCodec.h"
#include "TicketSettings.h"
#include "TicketTemplate.h"
#include "Transport.h"
#include "WordDocument.h"
#include "WordTicket.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

#include <algorithm>
#include <memory>

namespace {

// A transport whose every text comes from the input, with weights and amounts from a small table of extremes.
Transport transportFrom(const QString &text, quint8 choice)
{
    static const qint64 kWeights[] = {0, 1, 12340, -150, 2147483647, -2147483647, 999999999999LL, -1000000};
    static const double kAmounts[] = {0, 0.125, -3.25, 12.5, 1e9, 1e15, -0.0, 99.995};
    Transport t;
    t.sorszam = kWeights[choice % 8] & 0xffffff;
    t.irany = choice & 1;
    t.suly1 = kWeights[choice % 8];
    t.suly2 = kWeights[(choice >> 3) % 8];
    t.nettosuly = t.suly1 - t.suly2;
    t.elszamolt = kWeights[(choice >> 5) % 8];
    t.levontsuly = kWeights[(choice >> 2) % 8];
    t.tisztasag = kAmounts[choice % 8];
    t.egysegar = kAmounts[(choice >> 3) % 8];
    t.osszeg = kAmounts[(choice >> 5) % 8];
    t.bedatum = QDateTime(QDate(2024, 1, 31), QTime(23, 59, 58));
    t.kidatum = choice & 2 ? QDateTime() : QDateTime(QDate(2024, 2, 1), QTime(0, 0, 1));
    const qsizetype third = text.size() / 3;
    t.rendszam = text.left(third);
    t.cegnev = text;
    t.cim1 = t.ugyfelcim2 = t.termeknev = text.mid(third);
    t.ugyfelnev = t.raktar = t.tablanev = text.right(third);
    t.megjegyzes = t.felhasznalo = t.parcella = text;
    t.jel1 = text.left(2);
    t.jel2 = text.mid(2, 2);
    t.nyomtatva = choice & 4 ? 1 : 0;
    return t;
}

TicketSettings settingsFrom(const QString &text)
{
    TicketSettings s;
    s.be1 = text.left(4);
    s.companyLines = {text, QStringLiteral("6000 Kecskemét, Mérleg u. 1.")};
    return s;
}

bool allAscii(const QByteArray &bytes)
{
    return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Occurrences, overlapping ones too.
qsizetype occurrences(QByteArrayView text, QByteArrayView what)
{
    qsizetype n = 0;
    for (qsizetype at = text.indexOf(what); at >= 0; at = text.indexOf(what, at + 1))
        ++n;
    return n;
}

// The text ticket template: real values keep the template's encoding; values that cannot form a placeholder leave
// no placeholder behind on a line that named each at most once.
void runTemplate(const QByteArray &input, const QString &)
{
    const quint8 choice = input.isEmpty() ? 0 : quint8(input[0]);
    const qsizetype tail = input.size() > 1 ? quint8(input[1]) % 96 : 0;
    const QByteArray body = input.mid(2, std::max<qsizetype>(0, input.size() - 2 - tail));
    const QString text = QString::fromUtf8(input.right(tail));

    const QList<TicketTemplate::Replacement> real =
        TicketTemplate::replacements(transportFrom(text, choice), settingsFrom(text), QDate(2024, 2, 1));
    const QByteArray filled = TicketTemplate::fill(body, real);
    if (allAscii(body) && !allAscii(filled))
        propertyFailed(QStringLiteral("an ASCII template was filled with other bytes"));
    if (!allAscii(body) && TextCodec::isValidUtf8(body) && !TextCodec::isValidUtf8(filled))
        propertyFailed(QStringLiteral("a UTF-8 template was filled into something else"));

    QList<TicketTemplate::Replacement> marked = real;
    for (TicketTemplate::Replacement &r : marked)
        r.value = QStringLiteral("«»");
    const QByteArray out = TicketTemplate::fill(body, marked);
    QList<QByteArray> inLines = body.isEmpty() ? QList<QByteArray>() : body.split('\n');
    if (body.endsWith('\n'))
        inLines.removeLast();
    QList<QByteArray> outLines = out.split('\n');
    outLines.removeLast(); // after the last CR LF
    if (inLines.size() != outLines.size())
        propertyFailed(QStringLiteral("%1 lines filled into %2").arg(inLines.size()).arg(outLines.size()));
    for (qsizetype i = 0; i < inLines.size(); ++i) {
        // The marks hold no percent sign, so a line without one cannot keep or make a placeholder.
        if (!inLines.at(i).contains('%'))
            continue;
        const bool once = std::all_of(marked.cbegin(), marked.cend(), [&](const TicketTemplate::Replacement &r) {
            return occurrences(inLines.at(i), r.placeholder) <= 1;
        });
        if (!once)
            continue;
        for (const TicketTemplate::Replacement &r : std::as_const(marked)) {
            if (outLines.at(i).contains(r.placeholder))
                propertyFailed(QStringLiteral("line %1 keeps %2").arg(i + 1).arg(QString::fromLatin1(r.placeholder)));
        }
    }
}

const QList<WordDocument::Replacement> &wordReplacements()
{
    static const QList<WordDocument::Replacement> list = [] {
        QList<WordDocument::Replacement> l = WordTicket::replacements(transportFrom(QStringLiteral("x"), 0), {});
        // Values that hold no percent sign and are never empty cannot make or hide a placeholder.
        for (WordDocument::Replacement &r : l)
            r.value = QStringLiteral("«") + r.placeholder.mid(1, 2) + QStringLiteral("»");
        return l;
    }();
    return list;
}

struct ZipDiscard {
    void operator()(zip_t *archive) const { zip_discard(archive); }
};

// A document package at path holding the parts; false when libzip refuses.
// With `deflated` given, only that part is compressed and the others are stored: deflating the unchanged parts
// again for every input took longer than the fill under test.
bool writePackage(const QString &path, const QList<std::pair<QByteArray, QByteArray>> &parts, qsizetype deflated = -1)
{
    int error = 0;
    std::unique_ptr<zip_t, ZipDiscard> archive(zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error));
    if (!archive)
        return false;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const auto &[name, bytes] = parts.at(i);
        zip_source_t *source = zip_source_buffer(archive.get(), bytes.constData(), zip_uint64_t(bytes.size()), 0);
        const zip_int64_t index = source ? zip_file_add(archive.get(), name.constData(), source, ZIP_FL_OVERWRITE) : -1;
        if (index < 0) {
            zip_source_free(source);
            return false;
        }
        if (deflated >= 0 && i != deflated
            && zip_set_file_compression(archive.get(), zip_uint64_t(index), ZIP_CM_STORE, 0) < 0)
            return false;
    }
    if (zip_close(archive.get()) != 0)
        return false;
    archive.release();
    return true;
}

QList<std::pair<QByteArray, QByteArray>> samplePackageParts()
{
    const QString base = QStringLiteral("share/word/merlegjegy/");
    QList<std::pair<QByteArray, QByteArray>> parts;
    for (const char *name : {"[Content_Types].xml", "word/_rels/document.xml.rels", "word/document.xml",
                             "word/header1.xml", "word/styles.xml"})
        parts.append({name, sourceFile(base + QLatin1String(name))});
    return parts;
}

// The word-processor ticket: the filled XML reads again and holds nothing left to fill. Now and then the XML goes
// through a whole package, or the input is a package itself.
void runWord(const QByteArray &input, const QString &folder)
{
    const quint8 mode = input.isEmpty() ? 2 : quint8(input[0]) % 16;
    const QByteArray body = input.mid(1);
    if (mode <= 1) {
        const QString source = folder + QStringLiteral("in.docx");
        const QString target = folder + QStringLiteral("out.docx");
        if (mode == 0) {
            QList<std::pair<QByteArray, QByteArray>> parts = samplePackageParts();
            parts[2].second = body;
            if (!writePackage(source, parts, 2))
                propertyFailed(QStringLiteral("the package could not be written"));
        } else {
            QFile file(source);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(body) != body.size())
                propertyFailed(QStringLiteral("the input file could not be written"));
        }
        const QString message = WordDocument::fill(source, target, wordReplacements());
        if (message.isEmpty() && !QFile::exists(target))
            propertyFailed(QStringLiteral("a fill reported success without its copy"));
        QFile::remove(target);
        return;
    }

    QString error;
    const QByteArray filled = WordDocument::fillXml(body, wordReplacements(), &error);
    if (!error.isEmpty() || filled == body)
        return;
    QString again;
    const QByteArray twice = WordDocument::fillXml(filled, wordReplacements(), &again);
    if (!again.isEmpty())
        propertyFailed(QStringLiteral("the filled XML does not read: %1").arg(again));
    if (twice != filled)
        propertyFailed(QStringLiteral("the filled XML still holds a placeholder"));
}

} // namespace

QList<FuzzTarget> printTargets()
{
    QList<FuzzTarget> targets;

    QList<QByteArray> placeholders;
    for (const TicketTemplate::Replacement &r :
         TicketTemplate::replacements(transportFrom({}, 0), settingsFrom({}), QDate(2024, 2, 1)))
        placeholders.append(r.placeholder);

    FuzzTarget ticket;
    ticket.name = QStringLiteral("template");
    for (const char *file : {"share/merlegjegy.htm", "tests/print/data/fixture.htm", "tests/print/data/fixture-1250.htm"}) {
        const QByteArray bytes = sourceFile(QLatin1String(file));
        ticket.seeds.append(QByteArray("\x05", 1) + char(0) + bytes);
        ticket.seeds.append(QByteArray("\xa2", 1) + char(40) + bytes + "Kiss & Fia <b>Kft.</b> \"Őrült\" % \xf0\x9f\x9a\x9a");
    }
    ticket.seeds.append(QByteArray("\x00\x00", 2) + "%sorszam%%rendszam%\r\n%sorszam%\n%%vevonev%%\r%brutto%");
    ticket.dictionary = placeholders + QList<QByteArray>{"%", "&", "<", "</br>", "\r\n", "&#"};
    ticket.maxSize = 16384;
    ticket.run = runTemplate;
    targets.append(ticket);

    FuzzTarget word;
    word.name = QStringLiteral("word");
    for (const auto &[name, xml] : samplePackageParts()) {
        if (!name.startsWith("word/") || !name.endsWith(".xml"))
            continue;
        word.seeds.append('\x02' + xml);
        word.seeds.append('\x00' + xml);
    }
    word.seeds.append(QByteArray("\x02") +
                      "<?xml version=\"1.0\"?><office:document-content xmlns:office=\"o\" xmlns:text=\"t\"><text:p>"
                      "%sors<text:span>zam%</text:span><text:s/>%rendszam%<text:p>%brutto%</text:p></text:p>"
                      "<text:h><![CDATA[%netto%]]></text:h></office:document-content>");
    {
        QTemporaryDir temporary;
        const QString path = temporary.filePath(QStringLiteral("sample.docx"));
        QFile file(path);
        if (writePackage(path, samplePackageParts()) && file.open(QIODevice::ReadOnly))
            word.seeds.append('\x01' + file.readAll());
    }
    for (const WordDocument::Replacement &r : wordReplacements())
        word.dictionary.append(r.placeholder.toUtf8());
    word.dictionary += QList<QByteArray>{"<w:p>", "</w:p>", "<w:r><w:t>", "</w:t></w:r>", "<w:tab/>", "<w:br/>",
                                         "<![CDATA[", "]]>", "&amp;", "&#37;", "<!--", "-->", "<?pi x?>",
                                         "<!DOCTYPE d [<!ENTITY e \"%sorszam%\">]>", "&e;", "xml:space=\"preserve\""};
    word.maxSize = 32768;
    word.run = runWord;
    targets.append(word);
    return targets;
}
