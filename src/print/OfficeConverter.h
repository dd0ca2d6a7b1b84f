#pragma once

#include <QString>

// Converts documents with LibreOffice run headless, in a profile of its own so that an operator's open
// LibreOffice does not take the call over and return at once.
namespace OfficeConverter {

inline constexpr int kDefaultTimeoutMs = 60000;

// Converts sourcePath to targetPath; the target's extension names the format ("pdf", "docx"). Returns the
// message to show, empty on success. A run that ends without the target, or does not end in time, fails.
QString convert(const QString &sourcePath, const QString &targetPath, int timeoutMs = kDefaultTimeoutMs);

// True when soffice is found on PATH.
bool available();

} // namespace OfficeConverter
