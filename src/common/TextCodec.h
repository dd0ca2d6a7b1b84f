#pragma once

#include <QByteArray>
#include <QString>

// Files a user or an older installation brings may be Windows-1250 (Central European ANSI) instead of UTF-8.
namespace TextCodec {

enum class Encoding { Utf8, Windows1250 };

bool isValidUtf8(const QByteArray &bytes);
// UTF-8 when the bytes are valid UTF-8 (leading byte-order marks are dropped), Windows-1250 otherwise.
Encoding detect(const QByteArray &bytes);
QString decode(const QByteArray &bytes);
QString decode(const QByteArray &bytes, Encoding encoding);

QString fromWindows1250(const QByteArray &bytes);
// Characters that Windows-1250 cannot hold become "?".
QByteArray toWindows1250(const QString &text);
QByteArray encode(const QString &text, Encoding encoding);

} // namespace TextCodec
