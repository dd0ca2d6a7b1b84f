#include "CommandLine.h"

#include "Formats.h"

CommandSyntax CommandSyntax::fromSynopsis(const QString &synopsis)
{
    CommandSyntax syntax;
    // Each word with the bracket depth at its start, brackets removed.
    QStringList words;
    QList<int> depths;
    QList<bool> closes; // the word ends a bracket, so what follows is not its value: "[--manual] [PATH]"
    int depth = 0;
    for (const QString &raw : synopsis.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        qsizetype opening = 0;
        while (opening < raw.size() && raw.at(opening) == u'[')
            ++opening;
        const int start = depth + int(opening);
        depth += int(raw.count(QLatin1Char('[')) - raw.count(QLatin1Char(']')));
        const QString word = QString(raw).remove(QLatin1Char('[')).remove(QLatin1Char(']'));
        if (!word.isEmpty()) {
            words.append(word);
            depths.append(start);
            closes.append(raw.endsWith(QLatin1Char(']')));
        }
    }
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (word == u"|") // "--from D --to D | --no-dates": alternatives, each declared on its own
            continue;
        if (!word.startsWith(QLatin1String("--"))) {
            syntax.operands.append(word);
            if (depths.at(i) > 0)
                syntax.optional.append(word);
        } else if (!closes.at(i) && i + 1 < words.size() && !words.at(i + 1).startsWith(QLatin1String("--"))) {
            syntax.valued.append(word);
            ++i; // the value's placeholder
        } else {
            syntax.switches.append(word);
        }
    }
    return syntax;
}

CommandLine::CommandLine(const QStringList &args, const CommandSyntax &syntax)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const qsizetype equals = arg.startsWith(QLatin1String("--")) ? arg.indexOf(QLatin1Char('=')) : -1;
        if (equals > 0 && syntax.valued.contains(arg.left(equals))) {
            m_values.insert(arg.left(equals), arg.mid(equals + 1));
        } else if (syntax.valued.contains(arg)) {
            if (i + 1 >= args.size())
                throw BadArguments(arg + QStringLiteral(" needs a value"));
            m_values.insert(arg, args.at(++i));
        } else if (syntax.switches.contains(arg)) {
            m_switches.insert(arg);
        } else if (!arg.startsWith(QLatin1String("--")) && m_operands.size() < syntax.operands.size()) {
            m_operands.append(arg);
        } else {
            throw BadArguments(QStringLiteral("unexpected argument \"%1\"").arg(arg));
        }
    }
    QStringList required = syntax.operands;
    for (const QString &name : syntax.optional)
        required.removeOne(name);
    if (m_operands.size() < required.size())
        throw BadArguments(required.at(m_operands.size()) + QStringLiteral(" is missing"));
}

bool CommandLine::has(const QString &option) const
{
    return m_switches.contains(option) || m_values.contains(option);
}

QString CommandLine::value(const QString &option, const QString &fallback) const
{
    return m_values.value(option, fallback);
}

QString CommandLine::choice(const QString &option, const QStringList &choices, const QString &fallback) const
{
    if (!m_values.contains(option))
        return fallback;
    const QString v = m_values.value(option);
    if (!choices.contains(v))
        throw BadArguments(QStringLiteral("%1 is %2").arg(option, choices.join(QStringLiteral(" or "))));
    return v;
}

QString CommandLine::required(const QString &option) const
{
    if (!m_values.contains(option))
        throw BadArguments(option + QStringLiteral(" is missing"));
    return m_values.value(option);
}

QDateTime CommandLine::dateTime(const QString &option) const
{
    if (!m_values.contains(option))
        return {};
    const QString text = m_values.value(option).trimmed();
    for (const char *format : {"yyyy.MM.dd HH:mm", "yyyy.MM.dd HH:mm:ss"}) {
        const QDateTime dt = QDateTime::fromString(text, QLatin1String(format));
        if (dt.isValid())
            return dt;
    }
    throw BadArguments(QStringLiteral("%1 takes a time \"YYYY.MM.DD HH:MM\", not \"%2\"").arg(option, text));
}

QDate CommandLine::date(const QString &option, const QDate &fallback) const
{
    if (!m_values.contains(option))
        return fallback;
    const QDate d = Formats::parseDate(m_values.value(option));
    if (!d.isValid())
        throw BadArguments(
            QStringLiteral("%1 takes a date YYYY.MM.DD, not \"%2\"").arg(option, m_values.value(option)));
    return d;
}
