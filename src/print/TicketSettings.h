#pragma once

#include <QString>
#include <QStringList>

class Config;

// How a ticket is printed; the values are those of the Printmode setting.
enum class PrintMode {
    None = 0,           // fill only, print nothing
    DefaultPrinter = 1, // at once on the default printer, no dialog
    ChoosePrinter = 2,  // after the printer dialog
    Preview = 3,        // shown in a preview
    WordDocument = 4,   // the word-processor document instead of the text template
};

// Everything ticket printing needs from the settings, gathered by the caller (the window from its controls,
// kelvoctl from Kelvo.ini).
struct TicketSettings {
    QString programFolder; // with its trailing separator
    QString templateName = QStringLiteral("merlegjegy.htm");
    QString wordDocument; // full path of the word-processor ticket document
    bool wordDirectPrint = false;
    PrintMode printMode = PrintMode::None;
    bool evelojel = true; // year of printing in front of the serial number
    bool outtxt = false;  // write out.txt after the ticket
    bool outbat = false;  // start the hand-over script after the ticket
    QString be1 = QStringLiteral("Vevő");
    QString be2 = QStringLiteral("Eladó");
    QString ki1 = QStringLiteral("Eladó");
    QString ki2 = QStringLiteral("Vevő");
    QStringList companyLines; // the own company block, one entry per line

    QString templatePath() const { return programFolder + templateName; }
    QString outputPath() const { return programFolder + QStringLiteral("out.htm"); }
    QString ticketDataPath() const { return programFolder + QStringLiteral("out.txt"); }
    QString handOverScriptPath() const { return programFolder + QStringLiteral("out.sh"); }

    // The values as Kelvo.ini holds them (start-up defaults where a key is absent); out-of-range print modes
    // read as "print nothing".
    static TicketSettings fromConfig(const Config &config, const QStringList &companyLines);
};
