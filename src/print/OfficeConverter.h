#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Converts documents with LibreOffice run headless, in a profile of its own so that an operator's open
// LibreOffice does not take the call over and return at once. convert waits for it (command-line use); the window
// program runs an OfficeConversion instead.
namespace OfficeConverter {

inline constexpr int kDefaultTimeoutMs = 60000;

// Converts sourcePath to targetPath; the target's extension names the format ("pdf", "docx"). Returns the
// message to show, empty on success. A run that ends without the target, or does not end in time, fails.
QString convert(const QString &sourcePath, const QString &targetPath, int timeoutMs = kDefaultTimeoutMs);

// True when soffice is found on PATH.
bool available();

// The steps of a conversion, shared by convert and OfficeConversion.
QString program();
QString notInstalledMessage();
QString timedOutMessage(int timeoutMs);
// LibreOffice's arguments to convert sourcePath into outDir in the format of targetPath's extension.
QStringList arguments(const QString &sourcePath, const QString &outDir, const QString &targetPath);
// Moves what a finished run left in outDir to targetPath; output is what it wrote, shown when it made nothing.
// Returns the message to show, empty on success.
QString takeResult(const QString &outDir, const QString &sourcePath, const QString &targetPath,
                   const QByteArray &output);

} // namespace OfficeConverter
