#include "WordDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <zip.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct Token {
    QXmlStreamReader::TokenType type = QXmlStreamReader::NoToken;
    QString name; // qualified name of an element, target of a processing instruction
    QXmlStreamAttributes attributes;
    QString text; // characters, comment, processing instruction data, DTD
    bool cdata = false;
};

// Where a paragraph's text lives in the token list: a characters token, or -1 for a break (tab, line break,
// space element) that no placeholder may span.
struct Segment {
    int token = -1;
    int textElement = -1; // the element holding the text (w:t), to mark it space-preserving when changed
};

bool isParagraph(const QString &name)
{
    return name == QLatin1String("w:p") || name == QLatin1String("text:p") || name == QLatin1String("text:h");
}

bool isBreak(const QString &name)
{
    static const QStringList breaks = {
        QStringLiteral("w:tab"),      QStringLiteral("w:br"),       QStringLiteral("w:cr"),
        QStringLiteral("text:s"),     QStringLiteral("text:tab"),   QStringLiteral("text:line-break"),
    };
    return breaks.contains(name);
}

// Word keeps its text in w:t only (field codes and deleted text stay as they are); the open format keeps it as
// character data inside the paragraph and its spans and links.
bool holdsText(const QString &element)
{
    return element == QLatin1String("w:t") || element == QLatin1String("text:p") ||
           element == QLatin1String("text:h") || element == QLatin1String("text:span") ||
           element == QLatin1String("text:a");
}

struct Match {
    qsizetype from;
    qsizetype to;
    QString value;
};

class ParagraphFiller
{
public:
    ParagraphFiller(std::vector<Token> &tokens, const QList<WordDocument::Replacement> &replacements)
        : m_tokens(tokens)
        , m_replacements(replacements)
    {
    }

    bool fill(const std::vector<Segment> &segments)
    {
        QString joined;
        for (const Segment &s : segments)
            joined += s.token < 0 ? QString(QLatin1Char('\n')) : m_tokens[s.token].text;
        if (!joined.contains(QLatin1Char('%')))
            return false;
        const std::vector<Match> matches = find(joined);
        if (matches.empty())
            return false;

        qsizetype start = 0;
        std::size_t m = 0;
        for (const Segment &s : segments) {
            if (s.token < 0) {
                ++start;
                continue;
            }
            Token &token = m_tokens[s.token];
            const qsizetype end = start + token.text.size();
            QString out;
            qsizetype pos = start;
            while (pos < end) {
                while (m < matches.size() && matches[m].to <= pos)
                    ++m;
                if (m < matches.size() && matches[m].from <= pos) {
                    if (pos == matches[m].from)
                        out += matches[m].value;
                    pos = std::min(matches[m].to, end);
                    continue;
                }
                out += joined.at(pos++);
            }
            if (out != token.text) {
                token.text = out;
                markSpacePreserving(s.textElement);
            }
            start = end;
        }
        return true;
    }

private:
    std::vector<Match> find(const QString &text) const
    {
        std::vector<Match> matches;
        qsizetype pos = text.indexOf(QLatin1Char('%'));
        while (pos >= 0) {
            qsizetype next = pos + 1;
            for (const WordDocument::Replacement &r : m_replacements) {
                if (!r.placeholder.isEmpty() && QStringView(text).mid(pos).startsWith(r.placeholder)) {
                    matches.push_back({pos, pos + r.placeholder.size(), r.value});
                    next = pos + r.placeholder.size();
                    break;
                }
            }
            pos = text.indexOf(QLatin1Char('%'), next);
        }
        return matches;
    }

    // Word drops leading and trailing spaces of a run unless told to keep them.
    void markSpacePreserving(int element)
    {
        if (element < 0)
            return;
        Token &t = m_tokens[element];
        if (t.name == QLatin1String("w:t") && !t.attributes.hasAttribute(QStringLiteral("xml:space")))
            t.attributes.append(QStringLiteral("xml:space"), QStringLiteral("preserve"));
    }

    std::vector<Token> &m_tokens;
    const QList<WordDocument::Replacement> &m_replacements;
};

bool readTokens(const QByteArray &xml, std::vector<Token> &tokens, QString &error)
{
    QXmlStreamReader reader(xml);
    // Names are copied as written, prefixes and namespace declarations included.
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType type = reader.readNext();
        Token t;
        t.type = type;
        switch (type) {
        case QXmlStreamReader::StartDocument:
            t.name = reader.documentVersion().toString();
            t.cdata = reader.isStandaloneDocument();
            break;
        case QXmlStreamReader::StartElement:
            t.name = reader.qualifiedName().toString();
            t.attributes = reader.attributes();
            break;
        case QXmlStreamReader::EndElement:
            t.name = reader.qualifiedName().toString();
            break;
        case QXmlStreamReader::Characters:
            t.text = reader.text().toString();
            t.cdata = reader.isCDATA();
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::DTD:
            t.text = reader.text().toString();
            break;
        case QXmlStreamReader::ProcessingInstruction:
            t.name = reader.processingInstructionTarget().toString();
            t.text = reader.processingInstructionData().toString();
            break;
        case QXmlStreamReader::EntityReference:
            t.type = QXmlStreamReader::Characters;
            t.text = reader.text().toString();
            break;
        default:
            break;
        }
        if (t.type != QXmlStreamReader::EndDocument && t.type != QXmlStreamReader::NoToken &&
            t.type != QXmlStreamReader::Invalid)
            tokens.push_back(std::move(t));
    }
    if (reader.hasError()) {
        error = reader.errorString();
        return false;
    }
    return true;
}

QByteArray writeTokens(const std::vector<Token> &tokens)
{
    QByteArray out;
    QXmlStreamWriter writer(&out);
    for (const Token &t : tokens) {
        switch (t.type) {
        case QXmlStreamReader::StartDocument:
            // Word writes standalone="yes"; a "no" carries no meaning without a DTD and is left out.
            if (t.cdata)
                writer.writeStartDocument(t.name.isEmpty() ? QStringLiteral("1.0") : t.name, true);
            else
                writer.writeStartDocument(t.name.isEmpty() ? QStringLiteral("1.0") : t.name);
            break;
        case QXmlStreamReader::StartElement:
            writer.writeStartElement(t.name);
            for (const QXmlStreamAttribute &a : t.attributes)
                writer.writeAttribute(a.qualifiedName().toString(), a.value().toString());
            break;
        case QXmlStreamReader::EndElement:
            writer.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            if (t.text.isEmpty())
                break; // a run emptied by a split placeholder stays an empty element
            if (t.cdata)
                writer.writeCDATA(t.text);
            else
                writer.writeCharacters(t.text);
            break;
        case QXmlStreamReader::Comment:
            writer.writeComment(t.text);
            break;
        case QXmlStreamReader::DTD:
            writer.writeDTD(t.text);
            break;
        case QXmlStreamReader::ProcessingInstruction:
            writer.writeProcessingInstruction(t.name, t.text);
            break;
        default:
            break;
        }
    }
    writer.writeEndDocument();
    return out;
}

// The parts of a package that hold the document's visible text.
bool holdsDocumentText(const QString &part)
{
    static const QRegularExpression word(
        QStringLiteral("^word/(document|header\\d*|footer\\d*|footnotes|endnotes|comments)\\.xml$"));
    return word.match(part).hasMatch() || part == QLatin1String("content.xml") ||
           part == QLatin1String("styles.xml");
}

struct ZipCloser {
    void operator()(zip_t *archive) const
    {
        if (archive)
            zip_discard(archive);
    }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;

struct ZipFileCloser {
    void operator()(zip_file_t *file) const
    {
        if (file)
            zip_fclose(file);
    }
};

bool readEntry(zip_t *archive, zip_uint64_t index, QByteArray &bytes)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        return false;
    std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(archive, index, 0));
    if (!file)
        return false;
    bytes.resize(static_cast<qsizetype>(stat.size));
    return zip_fread(file.get(), bytes.data(), stat.size) == static_cast<zip_int64_t>(stat.size);
}

QString failed(const QString &what, const QString &path)
{
    return QStringLiteral("%1: %2").arg(what, QDir::toNativeSeparators(path));
}

} // namespace

namespace WordDocument {

QByteArray fillXml(const QByteArray &xml, const QList<Replacement> &replacements, QString *error)
{
    std::vector<Token> tokens;
    QString readError;
    if (!readTokens(xml, tokens, readError)) {
        if (error)
            *error = readError;
        return {};
    }

    // Paragraphs nest (a text box or a note sits inside a paragraph of its own), so each keeps its own segments.
    std::vector<std::vector<Segment>> open;
    std::vector<int> elements; // the start tokens of the open elements
    ParagraphFiller filler(tokens, replacements);
    bool changed = false;
    for (int i = 0; i < static_cast<int>(tokens.size()); ++i) {
        const Token &t = tokens[i];
        if (t.type == QXmlStreamReader::StartElement) {
            if (isParagraph(t.name))
                open.emplace_back();
            else if (!open.empty() && isBreak(t.name))
                open.back().push_back({});
            elements.push_back(i);
        } else if (t.type == QXmlStreamReader::EndElement) {
            if (isParagraph(t.name) && !open.empty()) {
                changed = filler.fill(open.back()) || changed;
                open.pop_back();
            }
            if (!elements.empty())
                elements.pop_back();
        } else if (t.type == QXmlStreamReader::Characters && !open.empty() && !elements.empty() &&
                   holdsText(tokens[elements.back()].name)) {
            open.back().push_back({i, elements.back()});
        }
    }
    return changed ? writeTokens(tokens) : xml;
}

QString fill(const QString &templatePath, const QString &outputPath, const QList<Replacement> &replacements)
{
    QFile source(templatePath);
    if (!source.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("A dokumentum nem olvasható"), templatePath);
    const QByteArray bytes = source.readAll();
    source.close();

    // A temporary file beside the target, so the rename stays on one file system.
    QTemporaryFile temporary(QFileInfo(outputPath).absolutePath() + QStringLiteral("/.kelvo-XXXXXX.tmp"));
    if (!temporary.open() || temporary.write(bytes) != bytes.size() || !temporary.flush())
        return failed(QStringLiteral("A kitöltött dokumentum nem írható"), outputPath);
    temporary.close();

    int zipError = 0;
    ZipHandle archive(zip_open(QFile::encodeName(temporary.fileName()).constData(), 0, &zipError));
    if (!archive)
        return failed(QStringLiteral("A dokumentum nem docx vagy odt fájl"), templatePath);

    // Replacement buffers must live until the archive is written.
    std::vector<QByteArray> filledParts;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    filledParts.reserve(static_cast<std::size_t>(std::max<zip_int64_t>(count, 0)));
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0);
        if (!name || !holdsDocumentText(QString::fromUtf8(name)))
            continue;
        QByteArray part;
        if (!readEntry(archive.get(), static_cast<zip_uint64_t>(i), part))
            return failed(QStringLiteral("A dokumentum sérült"), templatePath);
        QString xmlError;
        QByteArray filled = fillXml(part, replacements, &xmlError);
        if (!xmlError.isEmpty())
            return failed(QStringLiteral("A dokumentum sérült (%1)").arg(xmlError), templatePath);
        if (filled == part)
            continue;
        filledParts.push_back(std::move(filled));
        const QByteArray &kept = filledParts.back();
        zip_source_t *src = zip_source_buffer(archive.get(), kept.constData(), static_cast<zip_uint64_t>(kept.size()), 0);
        if (!src || zip_file_replace(archive.get(), static_cast<zip_uint64_t>(i), src, 0) != 0) {
            if (src)
                zip_source_free(src);
            return failed(QStringLiteral("A kitöltött dokumentum nem írható"), outputPath);
        }
    }
    if (zip_close(archive.get()) != 0)
        return failed(QStringLiteral("A kitöltött dokumentum nem írható"), outputPath);
    archive.release();

    if (std::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(outputPath).constData()) != 0)
        return failed(QStringLiteral("A kitöltött dokumentum nem írható"), outputPath);
    temporary.setAutoRemove(false);
    QFile::setPermissions(outputPath, QFileInfo(templatePath).permissions());
    return {};
}

} // namespace WordDocument
