#include "OfficeConverter.h"
#include "WordDocument.h"
#include "WordTicket.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

#include <map>

namespace {

using Parts = std::map<QString, QByteArray>;

const QString kValue = QStringLiteral("Kő & Társa <Kft>");
const QByteArray kEscaped = "Kő &amp; Társa &lt;Kft&gt;";

const QList<WordDocument::Replacement> kReplacements = {
    {QStringLiteral("%vevonev%"), kValue},
    {QStringLiteral("%rendszam%"), QStringLiteral("ABC-123")},
    {QStringLiteral("%sorszam%"), QStringLiteral("00017")},
};

// A package written entry by entry in the given order, "mimetype" stored as the open format wants it.
bool writePackage(const QString &path, const QList<std::pair<QString, QByteArray>> &entries)
{
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    for (const auto &[name, bytes] : entries) {
        zip_source_t *src = zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        const zip_int64_t index = zip_file_add(archive, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
        if (index < 0)
            return zip_source_free(src), zip_discard(archive), false;
        if (name == QLatin1String("mimetype"))
            zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    return zip_close(archive) == 0;
}

Parts readPackage(const QString &path, QString *first = nullptr)
{
    Parts parts;
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return parts;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, zip_uint64_t(i), 0, &st);
        QByteArray bytes(qsizetype(st.size), '\0');
        zip_file_t *f = zip_fopen_index(archive, zip_uint64_t(i), 0);
        zip_fread(f, bytes.data(), st.size);
        zip_fclose(f);
        if (i == 0 && first)
            *first = QString::fromUtf8(st.name);
        parts[QString::fromUtf8(st.name)] = bytes;
    }
    zip_discard(archive);
    return parts;
}

const QByteArray kW = R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
const QByteArray kRels = R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";

// The plate split over three runs as a word processor leaves it after an edit, the carrier in a table cell and
// the serial number in the header.
QList<std::pair<QString, QByteArray>> docxEntries()
{
    return {
        {QStringLiteral("[Content_Types].xml"), R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/><Override PartName="/word/header1.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml"/></Types>)"},
        {QStringLiteral("_rels/.rels"), kRels + R"(<Relationship Id="d" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>)"},
        {QStringLiteral("word/_rels/document.xml.rels"), kRels + R"(<Relationship Id="h" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/header" Target="header1.xml"/></Relationships>)"},
        {QStringLiteral("word/document.xml"),
         R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:document )" + kW + R"(><w:body>
<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>Rendszám: %rend</w:t></w:r><w:proofErr w:type="spellStart"/><w:r><w:t>sz</w:t></w:r><w:r><w:rPr><w:i/></w:rPr><w:t>am% vége</w:t></w:r></w:p>
<w:tbl><w:tr><w:tc><w:p><w:r><w:t>%vevonev%</w:t></w:r></w:p></w:tc></w:tr></w:tbl>
<w:p><w:r><w:t>%ismeretlen% 100%</w:t></w:r></w:p>
<w:sectPr><w:headerReference w:type="default" r:id="h"/></w:sectPr></w:body></w:document>)"},
        {QStringLiteral("word/header1.xml"),
         R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:hdr )" + kW + R"(><w:p><w:r><w:t>Jegy %sorszam%</w:t></w:r></w:p></w:hdr>)"},
    };
}

const QByteArray kOdtNs =
    R"(xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0")";

QList<std::pair<QString, QByteArray>> odtEntries()
{
    return {
        {QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.text"},
        {QStringLiteral("content.xml"),
         R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-content )" + kOdtNs + R"(><office:body><office:text>
<text:p><text:span text:style-name="B">Rendszám: %rend</text:span><text:span>sz</text:span>am% vége</text:p>
<table:table><table:table-row><table:table-cell><text:p>%vevonev%</text:p></table:table-cell></table:table-row></table:table>
<text:p>%ismeretlen% 100%</text:p>
</office:text></office:body></office:document-content>)"},
        {QStringLiteral("styles.xml"),
         R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-styles )" + kOdtNs + R"(><office:master-styles><style:master-page style:name="Standard"><style:header><text:p>Jegy %sorszam%</text:p></style:header></style:master-page></office:master-styles></office:document-styles>)"},
    };
}

} // namespace

class TestWordTicket : public QObject
{
    Q_OBJECT

private slots:
    void fillsEveryPart_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QByteArrayList>("expected"); // "part|bytes" found in the filled copy
        QTest::newRow("docx") << QStringLiteral("docx")
                              << QByteArrayList{
                                     "word/document.xml|<w:b/></w:rPr><w:t xml:space=\"preserve\">Rendszám: ABC-123</w:t>",
                                     "word/document.xml|<w:t xml:space=\"preserve\"> vége</w:t>",
                                     "word/document.xml|<w:t xml:space=\"preserve\">" + kEscaped + "</w:t>",
                                     "word/document.xml|%ismeretlen% 100%",
                                     "word/header1.xml|Jegy 00017"};
        QTest::newRow("odt") << QStringLiteral("odt")
                             << QByteArrayList{
                                    "content.xml|<text:span text:style-name=\"B\">Rendszám: ABC-123</text:span><text:span/> vége",
                                    "content.xml|<text:p>" + kEscaped + "</text:p>",
                                    "content.xml|%ismeretlen% 100%",
                                    "styles.xml|Jegy 00017"};
    }
    void fillsEveryPart()
    {
        QFETCH(QString, extension);
        QFETCH(QByteArrayList, expected);
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("jegy.") + extension);
        QVERIFY(writePackage(source, extension == QLatin1String("odt") ? odtEntries() : docxEntries()));
        QFile sourceFile(source);
        QVERIFY(sourceFile.open(QIODevice::ReadOnly));
        const QByteArray before = sourceFile.readAll();
        sourceFile.close();

        const QString copy = WordTicket::filledCopyPath(source);
        QCOMPARE(WordDocument::fill(source, copy, kReplacements), QString());

        QString first;
        const Parts parts = readPackage(copy, &first);
        for (const QByteArray &e : expected) {
            const QList<QByteArray> pieces = e.split('|');
            QVERIFY2(parts.count(QString::fromUtf8(pieces[0])), pieces[0].constData());
            QVERIFY2(parts.at(QString::fromUtf8(pieces[0])).contains(pieces[1]),
                     parts.at(QString::fromUtf8(pieces[0])).constData());
        }
        if (extension == QLatin1String("odt"))
            QCOMPARE(first, QStringLiteral("mimetype"));
        QVERIFY(sourceFile.open(QIODevice::ReadOnly));
        QCOMPARE(sourceFile.readAll(), before);
        QVERIFY(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).size() == 2); // no temporary left
    }

    void filledCopyName_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("copy");
        QTest::newRow("docx") << "/p/merlegjegy.docx" << "/p/merlegjegy.docx.docx";
        QTest::newRow("odt") << "/p/merlegjegy.odt" << "/p/merlegjegy.odt.odt";
        QTest::newRow("doc filled as docx") << "/p/merlegjegy.DOC" << "/p/merlegjegy.DOC.docx";
        QTest::newRow("no document") << "" << ""; // not "." (the current folder, which exists)
    }
    void filledCopyName()
    {
        QFETCH(QString, document);
        QFETCH(QString, copy);
        QCOMPARE(WordTicket::filledCopyPath(document), copy);
    }

    // LibreOffice exits 0 also when it wrote nothing: that must not pass for a printed ticket.
    void converterWithoutOutputFails()
    {
        QTemporaryDir dir;
        const QString fake = dir.filePath(QStringLiteral("soffice"));
        QFile script(fake);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexit 0\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()) + ':' + path);
        const QString message =
            OfficeConverter::convert(dir.filePath(QStringLiteral("a.docx")), dir.filePath(QStringLiteral("a.pdf")));
        qputenv("PATH", path);
        QVERIFY2(message.startsWith(QStringLiteral("A LibreOffice nem készítette el a(z) PDF fájlt.")),
                 qPrintable(message));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("a.pdf"))));
    }

    void convertsToPdfWithLibreOffice()
    {
        if (!OfficeConverter::available() || QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("LibreOffice or pdftotext is not installed");
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("jegy.docx"));
        QVERIFY(writePackage(source, docxEntries()));
        const QString copy = WordTicket::filledCopyPath(source);
        QCOMPARE(WordDocument::fill(source, copy, kReplacements), QString());
        const QString pdf = dir.filePath(QStringLiteral("jegy.pdf"));
        QCOMPARE(OfficeConverter::convert(copy, pdf), QString());

        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished());
        const QString output = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(output.contains(QStringLiteral("Rendszám: ABC-123 vége")), qPrintable(output));
        QVERIFY2(output.contains(kValue), qPrintable(output));
        QVERIFY2(output.contains(QStringLiteral("Jegy 00017")), qPrintable(output));
    }
};

QTEST_GUILESS_MAIN(TestWordTicket)
#include "tst_wordticket.moc"
