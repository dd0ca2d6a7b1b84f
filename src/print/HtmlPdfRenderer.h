#pragma once

#include <QString>

// Renders a filled HTML ticket to an A4 PDF with the web engine, without showing anything.
namespace HtmlPdfRenderer {

// Call in main() before the application object exists. The web engine's sandbox refuses to run as root and its
// GPU process has nothing to draw on offscreen; this switches both off where needed and leaves settings the user
// made alone.
void prepareEnvironment();

// Renders htmlPath into pdfPath (A4 portrait), waiting for the engine with a nested event loop. The page is read
// with the character set its bytes are in (UTF-8 when valid, Windows-1250 otherwise); relative links resolve
// against its folder. Needs a QGuiApplication. Returns the error text, empty on success.
QString render(const QString &htmlPath, const QString &pdfPath, int timeoutMs = 60000);

} // namespace HtmlPdfRenderer
