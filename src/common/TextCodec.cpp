#include "TextCodec.h"

#include <QHash>
#include <QStringDecoder>

namespace {

// Code points of bytes 0x80..0xFF; 0 marks a byte that the code page leaves undefined.
constexpr char16_t kHighHalf[128] = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021, 0,      0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0,      0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

const QHash<char16_t, char> &reverseTable()
{
    static const QHash<char16_t, char> table = [] {
        QHash<char16_t, char> t;
        for (int i = 0; i < 128; ++i) {
            if (kHighHalf[i] != 0)
                t.insert(kHighHalf[i], static_cast<char>(0x80 + i));
        }
        return t;
    }();
    return table;
}

// Every mark in front: an editor that adds one to a file that already starts with one leaves two, and a mark kept
// as text would cling to the first line (and be dropped on the next read after a save).
QByteArray withoutBom(const QByteArray &bytes)
{
    qsizetype at = 0;
    while (bytes.mid(at, 3) == "\xEF\xBB\xBF")
        at += 3;
    return at == 0 ? bytes : bytes.mid(at);
}

} // namespace

namespace TextCodec {

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    Q_UNUSED(text);
    return !decoder.hasError();
}

Encoding detect(const QByteArray &bytes)
{
    return isValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Windows1250;
}

QString decode(const QByteArray &bytes)
{
    return decode(bytes, detect(bytes));
}

QString decode(const QByteArray &bytes, Encoding encoding)
{
    if (encoding == Encoding::Utf8)
        return QString::fromUtf8(withoutBom(bytes));
    return fromWindows1250(bytes);
}

QString fromWindows1250(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            text.append(QChar(b));
        else if (kHighHalf[b - 0x80] != 0)
            text.append(QChar(kHighHalf[b - 0x80]));
        else
            text.append(QChar::ReplacementCharacter);
    }
    return text;
}

QByteArray toWindows1250(const QString &text)
{
    const auto &reverse = reverseTable();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80)
            bytes.append(static_cast<char>(u));
        else
            bytes.append(reverse.value(u, '?'));
    }
    return bytes;
}

QByteArray encode(const QString &text, Encoding encoding)
{
    return encoding == Encoding::Utf8 ? text.toUtf8() : toWindows1250(text);
}

} // namespace TextCodec
