#include "StockCsv.h"

#include <QSaveFile>

namespace StockCsv {

namespace {

QString quoted(QString text)
{
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString field(const QString &text)
{
    static const QString special = QStringLiteral(";\"\r\n");
    for (const QChar c : text) {
        if (special.contains(c))
            return quoted(text);
    }
    return text;
}

} // namespace

QByteArray bytes(const QStringList &header, const QList<QStringList> &rows)
{
    QStringList names;
    for (const QString &name : header)
        names.append(quoted(name));
    QString text = names.join(QLatin1Char(';')) + QLatin1String("\r\n");
    for (const QStringList &row : rows) {
        QStringList fields;
        for (const QString &value : row)
            fields.append(field(value));
        text += fields.join(QLatin1Char(';')) + QLatin1String("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString write(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace StockCsv
