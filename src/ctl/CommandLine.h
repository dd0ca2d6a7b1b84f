#pragma once

#include <QDate>
#include <QDateTime>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <stdexcept>

// What a command takes on its command line.
struct CommandSyntax {
    QStringList valued;   // options followed by a value: "--plate P" (also written "--plate=P")
    QStringList switches; // options on their own: "--manual"
    QStringList operands; // names of the bare arguments, in order: "PATH"
    QStringList optional; // those of operands that may be left out: "[PATH]"

    // Read from the usage text, so that the two cannot disagree: "SERIAL [--template NAME] [--manual]" is the
    // operand SERIAL, the valued option --template and the switch --manual. Brackets mark what is optional; for
    // options the command itself decides what a missing one means.
    static CommandSyntax fromSynopsis(const QString &synopsis);
};

// Arguments that do not fit the command: kelvoctl prints the text with the command's usage and exits 2.
class BadArguments : public std::runtime_error
{
public:
    explicit BadArguments(const QString &text)
        : std::runtime_error(text.toStdString())
    {
    }
};

// One command's arguments, parsed against its syntax. A value is taken as it stands, even when it starts with a
// minus ("--weight -"). Throws BadArguments for anything the syntax does not know, a missing value or operand.
class CommandLine
{
public:
    CommandLine(const QStringList &args, const CommandSyntax &syntax);

    bool has(const QString &option) const; // a switch given, or a valued option given
    QString value(const QString &option, const QString &fallback = {}) const;
    // The value when it is one of choices; without the option, fallback. Throws BadArguments otherwise.
    QString choice(const QString &option, const QStringList &choices, const QString &fallback = {}) const;
    // The value of a required option; throws BadArguments when it is missing.
    QString required(const QString &option) const;
    // The date of an option (YYYY.MM.DD); without the option, fallback. Throws BadArguments for any other text.
    QDate date(const QString &option, const QDate &fallback = {}) const;
    // The date and time of an option (YYYY.MM.DD HH:MM[:SS]); invalid without the option. Throws BadArguments for
    // any other text.
    QDateTime dateTime(const QString &option) const;
    const QStringList &operands() const { return m_operands; }

private:
    QMap<QString, QString> m_values;
    QSet<QString> m_switches;
    QStringList m_operands;
};
