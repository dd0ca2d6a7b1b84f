#include "FuzzTarget.h"

#include <QFile>

QList<FuzzTarget> fuzzTargets()
{
    return scaleTargets() + dataTargets() + printTargets() + recordTargets() + weighingTargets();
}

QByteArray sourceFile(const QString &relativePath)
{
    QFile file(QStringLiteral(KELVO_SOURCE_DIR "/") + relativePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
