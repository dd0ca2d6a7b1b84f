#include "FuzzTarget.h"

#include "EwcList.h"

#include <QFile>

namespace {

// ewc.lst: every input file gives entries or a refusal; an entry never keeps a separator in its code, and its
// description stays within the length the list window shows.
void runEwc(const QByteArray &input, const QString &folder)
{
    const qsizetype length = input.isEmpty() ? 0 : quint8(input[0]) % 16;
    const QString needle = QString::fromUtf8(input.mid(1, length));
    const QByteArray list = input.mid(1 + length);
    QFile file(folder + QLatin1String(EwcList::kFileName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(list) != list.size())
        propertyFailed(QStringLiteral("the input file could not be written"));
    file.close();

    const auto result = EwcList::search(folder, needle);
    if (needle.isEmpty()) {
        if (!std::holds_alternative<Refusal>(result))
            propertyFailed(QStringLiteral("an empty search was not refused"));
        return;
    }
    if (!std::holds_alternative<QList<EwcList::Entry>>(result))
        propertyFailed(QStringLiteral("an existing list was refused"));
    const QList<EwcList::Entry> &entries = std::get<QList<EwcList::Entry>>(result);
    if (entries.size() > list.count('\n') + 1)
        propertyFailed(QStringLiteral("more entries than lines"));
    for (const EwcList::Entry &e : entries) {
        if (e.code.contains(u'=') || e.code.contains(u'\t'))
            propertyFailed(QStringLiteral("a code keeps its separator: %1").arg(e.code));
        if (e.description.size() > 256)
            propertyFailed(QStringLiteral("a description of %1 characters").arg(e.description.size()));
    }
}

} // namespace

QList<FuzzTarget> weighingTargets()
{
    FuzzTarget ewc;
    ewc.name = QStringLiteral("ewc");
    const QByteArray list = sourceFile(QStringLiteral("share/ewc.lst"));
    ewc.seeds = {QByteArray("\x02") + "02" + list, QByteArray("\x06") + "hullad" + list,
                 QByteArray("\x03") + "\xC3\xA9p" + list, QByteArray("\x01") + "1" + "01 01 01\tx\r\n02=y\nz"};
    ewc.dictionary = {"\t", "=", "\r\n", "\n", "*"};
    ewc.maxSize = 8192;
    ewc.run = runEwc;
    return {ewc};
}
