#pragma once

#include <QString>

// Renders a filled HTML ticket to an A4 PDF with the web engine, without showing anything.
namespace HtmlPdfRenderer {

// Call in main() before the application object exists. The web engine's sandbox refuses to run as root and its
// GPU process has nothing to draw on offscreen; this switches both off where needed and leaves settings the user
// made alone.
void prepareEnvironment();

// Renders htmlPath into pdfPath as PageRenderer does, waiting for it in a local event loop: for command-line use
// and tests only. The window program drives a PageRenderer by its signal. Returns the error text, empty on success.
QString render(const QString &htmlPath, const QString &pdfPath, int timeoutMs = 60000);

} // namespace HtmlPdfRenderer
