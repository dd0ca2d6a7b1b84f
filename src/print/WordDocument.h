#pragma once

#include <QList>
#include <QString>

// Fills placeholders in an office document (.docx or .odt) by editing its XML parts inside the zip.
namespace WordDocument {

struct Replacement {
    QString placeholder; // matched case-sensitively
    QString value;       // plain text; escaped when written
};

// One XML part with every placeholder replaced. A placeholder may be split over several runs of one paragraph;
// the value goes into the run holding its first character, so that run's formatting is kept. The replaced text
// is not searched again. Returns the part unchanged when nothing matched; an empty result with error set when
// the XML cannot be read.
QByteArray fillXml(const QByteArray &xml, const QList<Replacement> &replacements, QString *error = nullptr);

// Copies the document at templatePath to outputPath with the placeholders filled in every part that holds text
// (body, headers, footers, notes, styles). outputPath is written to a temporary file and renamed into place.
// Returns the message to show, empty on success.
QString fill(const QString &templatePath, const QString &outputPath, const QList<Replacement> &replacements);

} // namespace WordDocument
