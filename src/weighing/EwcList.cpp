#include "EwcList.h"

#include "TextCodec.h"

#include <QFile>

namespace EwcList {

namespace {

// Accented letters stay as they are: "é" does not match "É".
QString upperAsciiOnly(QString s)
{
    for (QChar &c : s) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return s;
}

constexpr int kDescriptionLimit = 256;

} // namespace

std::variant<QList<Entry>, Refusal> search(const QString &programFolder, const QString &text)
{
    QFile file(programFolder + QLatin1String(kFileName));
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return Refusal{QString::fromUtf8(kMissingFile), {}};
    if (text.isEmpty())
        return Refusal{QString::fromUtf8(kEmptySearch), QStringLiteral("ewc")};

    QString all = TextCodec::decode(file.readAll());
    all.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QString needle = upperAsciiOnly(text);
    QList<Entry> found;
    for (QString line : all.split(QLatin1Char('\n'))) {
        if (!upperAsciiOnly(line).contains(needle))
            continue;
        line.replace(QLatin1Char('\t'), QLatin1Char('='));
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            found.append({line, {}});
        else
            found.append({line.left(eq), line.mid(eq + 1, kDescriptionLimit)});
    }
    return found;
}

} // namespace EwcList
