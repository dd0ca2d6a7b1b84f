#include "TicketTemplate.h"

#include "TicketFormat.h"
#include "TicketSettings.h"
#include "TextCodec.h"
#include "Transport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

enum class TemplateEncoding { Ascii, Utf8, Windows1250 };

TemplateEncoding detectEncoding(const QByteArray &bytes)
{
    const bool ascii = std::all_of(bytes.cbegin(), bytes.cend(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        return TemplateEncoding::Ascii;
    return TextCodec::detect(bytes) == TextCodec::Encoding::Utf8 ? TemplateEncoding::Utf8
                                                                  : TemplateEncoding::Windows1250;
}

QByteArray characterReference(char32_t codePoint)
{
    return "&#" + QByteArray::number(static_cast<quint32>(codePoint)) + ';';
}

QByteArray encodeValue(const QString &value, TemplateEncoding encoding)
{
    if (encoding == TemplateEncoding::Utf8)
        return value.toUtf8();
    QByteArray out;
    for (const char32_t cp : value.toUcs4()) {
        if (cp < 0x80) {
            out.append(static_cast<char>(cp));
            continue;
        }
        if (encoding == TemplateEncoding::Windows1250 && cp <= 0xFFFF) {
            const QByteArray b = TextCodec::toWindows1250(QString(QChar(static_cast<char16_t>(cp))));
            if (b.size() == 1 && b.at(0) != '?') {
                out.append(b);
                continue;
            }
        }
        out.append(characterReference(cp));
    }
    return out;
}

QString labelled(const QString &inbound, const QString &outbound, int irany)
{
    return TicketFormat::htmlEscape(irany == 0 ? inbound : outbound);
}

} // namespace

namespace TicketTemplate {

QList<Replacement> replacements(const Transport &t, const TicketSettings &s, const QDate &printDate)
{
    const auto text = [](const QString &v) { return TicketFormat::htmlEscape(v); };
    const auto weight = [](qint64 v) { return TicketFormat::weight(std::llabs(v)); };
    const auto decimal = [](double v) { return TicketFormat::decimal(std::fabs(v)); };

    // The company block is the customer's own markup (a bold name, a logo): it goes in as written.
    QString company;
    for (const QString &line : s.companyLines)
        company += line + QLatin1String("</br>");

    QList<Replacement> list{
        {"%sorszam%", TicketFormat::serial(t.sorszam, s.evelojel, printDate)},
        {"%irany%", t.irany == 0 ? QStringLiteral("Beszállítás") : QStringLiteral("Kiszállítás")},
        {"%elnevez1%", labelled(s.be1, s.ki1, t.irany)},
        {"%elnevez2%", labelled(s.be2, s.ki2, t.irany)},
        {"%vevonev%", text(t.cegnev)},
        {"%cim1%", text(t.cim1)},
        {"%cim2%", text(t.cim2)},
        {"%cim3%", text(t.cim3)},
        {"%ugyfelnev%", text(t.ugyfelnev)},
        {"%ugyfelcim1%", text(t.ugyfelcim1)},
        {"%ugyfelcim2%", text(t.ugyfelcim2)},
        {"%ugyfelcim3%", text(t.ugyfelcim3)},
        {"%ugyirat%", text(t.ugyirat)},
        {"%sajatceg%", company},
        {"%termekkod%", text(t.termekkod)},
        {"%termeknev%", text(t.termeknev)},
        {"%rendszam%", text(t.rendszam)},
        {"%erkezes%", TicketFormat::dateTime(t.bedatum)},
        {"%tavozas%", TicketFormat::dateTime(t.kidatum)},
        {"%nettosuly%", weight(t.nettosuly)},
        {"%elszamolt%", weight(t.elszamolt)},
        {"%levont%", weight(t.levontsuly)},
        {"%tisztasag%", decimal(t.tisztasag)},
        {"%viztartalom%", decimal(t.viztartalom)},
        {"%elvartviz%", decimal(t.elvartviz)},
        {"%megjegyzes%", text(t.megjegyzes)},
        {"%kiszereles%", text(t.kiszereles)},
        // The gross and the empty vehicle are the stored weighings as they are, whatever the direction.
        {"%brutto%", TicketFormat::weight(std::max(t.suly1, t.suly2))},
        {"%netto%", TicketFormat::weight(std::min(t.suly1, t.suly2))},
        {"%raktar%", text(t.raktar)},
        {"%tablanev%", text(t.tablanev)},
        {"%parcella%", text(t.parcella)},
        {"%tablasorszam%", text(t.tablasorszam)},
        // The user name (felhasznalo) is not offered to text templates.
        {"%egysegar%", decimal(t.egysegar)},
        {"%osszeg%", decimal(t.osszeg)},
    };
    for (const auto &[placeholder, value] : TicketFormat::marks(t))
        list.append({placeholder.toLatin1(), text(value)});
    return list;
}

QList<Replacement> pictureReplacements(const QList<Pictures::Picture> &pictures)
{
    QList<Replacement> list;
    for (int weighing = 1; weighing <= 2; ++weighing) {
        for (int camera = 1; camera <= Pictures::kCameras; ++camera) {
            QString value;
            for (const Pictures::Picture &p : pictures) {
                if (p.weighing == weighing && p.camera == camera && !p.jpeg.isEmpty())
                    value = QStringLiteral("<img src=\"data:image/jpeg;base64,%1\">")
                                .arg(QString::fromLatin1(p.jpeg.toBase64()));
            }
            list.append({"%kep" + QByteArray::number(weighing) + '_' + QByteArray::number(camera) + '%', value});
        }
    }
    return list;
}

bool namesPictures(const QByteArray &templateBytes)
{
    return templateBytes.contains("%kep");
}

QByteArray fill(const QByteArray &templateBytes, const QList<Replacement> &replacements)
{
    const TemplateEncoding encoding = detectEncoding(templateBytes);
    QList<QByteArray> values;
    values.reserve(replacements.size());
    for (const Replacement &r : replacements)
        values.append(encodeValue(r.value, encoding));

    // Placeholders are words between percent signs: a line without one is copied as it stands (most of a page).
    const bool percentWords = std::all_of(replacements.cbegin(), replacements.cend(),
                                          [](const Replacement &r) { return r.placeholder.startsWith('%'); });
    QByteArray out;
    out.reserve(templateBytes.size() + templateBytes.size() / 4);
    qsizetype start = 0;
    while (start < templateBytes.size()) {
        qsizetype end = templateBytes.indexOf('\n', start);
        if (end < 0)
            end = templateBytes.size();
        QByteArray line = templateBytes.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        const bool mayHold = !percentWords || line.contains('%');
        for (qsizetype k = 0; mayHold && k < replacements.size(); ++k) {
            const QByteArray &placeholder = replacements.at(k).placeholder;
            const qsizetype at = line.indexOf(placeholder);
            if (at >= 0)
                line.replace(at, placeholder.size(), values.at(k));
        }
        out += line;
        out += "\r\n";
        start = end + 1;
    }
    return out;
}

} // namespace TicketTemplate
