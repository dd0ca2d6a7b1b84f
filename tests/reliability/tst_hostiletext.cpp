#include "../support/TestDatabase.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace {

struct Run {
    int code = -1;
    QByteArray out;
};

// kelvoctl with arguments given as bytes, so that text which is not UTF-8 reaches it as a shell would pass it. The
// script's printf builds each argument from octal escapes; the "x" keeps trailing line breaks.
Run kelvoctl(const QList<QByteArray> &args, const QString &folder)
{
    QByteArray script = "set --\n";
    for (const QByteArray &arg : args) {
        QByteArray escaped;
        for (const char c : arg)
            escaped += '\\' + QByteArray::number(uchar(c), 8).rightJustified(3, '0');
        script += "a=$(printf '" + escaped + "x'); set -- \"$@\" \"${a%x}\"\n";
    }
    script += "exec '" KELVOCTL_PATH "' \"$@\"\n";
    QFile file(folder + QStringLiteral("/run.sh"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(script) != script.size())
        return {};
    file.close();
    QProcess p;
    p.start(QStringLiteral("/bin/sh"), {file.fileName()});
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput()};
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The fields of the CSV's records: ";" between fields, quotes around a field that holds ";", a quote or a line break.
QList<QStringList> csvRecords(QString text)
{
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QList<QStringList> records{{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"')
                field += text.at(++i);
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u';') {
            records.last().append(std::exchange(field, {}));
        } else if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            records.last().append(std::exchange(field, {}));
            records.append(QStringList());
            ++i;
        } else {
            field += c;
        }
    }
    records.removeLast();
    return records;
}

// The text of an HTML page's character data: entities and character references resolved, markup left as is.
QString htmlText(const QString &html)
{
    static const QRegularExpression reference(QStringLiteral("&(#[0-9]+|amp|lt|gt|quot);"));
    QString out;
    qsizetype from = 0;
    for (auto it = reference.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += html.mid(from, m.capturedStart() - from);
        const QString name = m.captured(1);
        if (name.startsWith(u'#'))
            out += QString::fromUcs4(std::array<char32_t, 1>{char32_t(name.mid(1).toUInt())}.data(), 1);
        else
            out += name == u"amp" ? u"&"_qs : name == u"lt" ? u"<"_qs : name == u"gt" ? u">"_qs : u"\""_qs;
        from = m.capturedEnd();
    }
    return out + html.mid(from);
}

int countOf(const QStringList &fields, const QString &value)
{
    return int(std::count(fields.cbegin(), fields.cend(), value));
}

} // namespace

// Text a user might type, paste or bring from an older system, in every text field of a transport, from the first
// weighing to the list report: it comes out as it went in.
class TestHostileText : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("given"); // the bytes on the command line
        QTest::addColumn<QString>("text");     // what the program stores and shows
        QTest::addColumn<bool>("inPdf");       // the report shows it whole (a short, printable text)
        const auto row = [](const char *name, const QString &text, bool inPdf) {
            QTest::newRow(name) << text.toUtf8() << text << inPdf;
        };
        row("quotes", u"\"Kovács\" 'Bt.' \"\"; ''"_qs, true);
        row("sql", u"x'); DROP TABLE szallitasok; -- %_\\"_qs, true);
        QString longText;
        while (longText.size() < 10240)
            longText += u"Árvíztűrő tükörfúrógép "_qs;
        row("10 kB", longText, false);
        row("control characters", u"a\tb\u0001c\u001b[31md\u007fe"_qs, false);
        row("line breaks", u"első\r\nmásodik\nharmadik"_qs, false);
        row("right to left", u"\u202Eabc\u200F שלום \u200E"_qs, false);
        row("emoji", u"🚛 Teherautó 👍🏽"_qs, false);
        // Bytes of a Windows-1250 system: not UTF-8, so they are read as Windows-1250, as the program reads its files.
        QTest::newRow("windows-1250") << QByteArray("\xC1rv\xEDzt\xFBr\xF5 t\xFCk\xF6rf\xFAr\xF3g\xE9p")
                                      << u"Árvíztűrő tükörfúrógép"_qs << true;
    }
    void roundTrip()
    {
        QFETCH(QByteArray, given);
        QFETCH(QString, text);
        QFETCH(bool, inPdf);
        QTemporaryDir home;
        const QString datapath = m_databases.created(QStringLiteral("text"));
        QVERIFY(TestDatabase::writeIni(home.path(), datapath, "[Opt]\nkarbantart=0\nmaxsuly=100000\nouttxt=1\n"));
        QVERIFY(QFile::copy(QStringLiteral(KELVO_TEST_DATA_DIR "/../../share/merlegjegy.htm"),
                            home.filePath(QStringLiteral("merlegjegy.htm"))));
        const QByteArray homeArg = home.path().toUtf8();

        Run r = kelvoctl({"first-weighing", "--home", homeArg, "--plate", given, "--carrier", given, "--customer",
                          given, "--product", given, "--weight", "24000"},
                         home.path());
        QVERIFY2(r.code == 0, r.out.constData());
        r = kelvoctl({"finish", "--home", homeArg, "--plate", given, "--weight", "9000", "--warehouse", given,
                      "--remark", given},
                     home.path());
        QVERIFY2(r.code == 0, r.out.constData());
        QCOMPARE(r.out, QByteArray("1\n"));

        // Plate, carrier, customer, product, warehouse and remark: six fields hold the text.
        r = kelvoctl({"search", "--home", homeArg, "--no-dates", "--csv", "-"}, home.path());
        QCOMPARE(r.code, 0);
        const QList<QStringList> records = csvRecords(QString::fromUtf8(r.out));
        QCOMPARE(records.size(), 2);
        QCOMPARE(countOf(records.at(1), text), 6);

        // The text as a search condition finds its transport.
        r = kelvoctl({"search", "--home", homeArg, "--no-dates", "--plate", given, "--carrier", given,
                      "--warehouse", given, "--csv", "-"},
                     home.path());
        QCOMPARE(r.code, 0);
        QCOMPARE(csvRecords(QString::fromUtf8(r.out)).size(), 2);

        r = kelvoctl({"ticket", "1", "--home", homeArg}, home.path());
        QVERIFY2(r.code == 0, r.out.constData());
        const QString page = htmlText(QString::fromUtf8(readFile(home.filePath(QStringLiteral("out.htm")))));
        QCOMPARE(page.count(text), 6);
        // out.txt: one "name=value" line per field, UTF-8, a line break inside a value turned into a space.
        QString oneLine = text;
        oneLine.replace(u"\r\n"_qs, u" "_qs).replace(u'\r', u' ').replace(u'\n', u' ');
        const QByteArray data = readFile(home.filePath(QStringLiteral("out.txt")));
        QCOMPARE(QString::fromUtf8(data).toUtf8(), data);
        const QStringList lines = QString::fromUtf8(data).split(u"\r\n"_qs);
        for (const char *name : {"rendszam", "cegnev", "ugyfelnev", "termeknev", "raktar", "megjegyzes"})
            QVERIFY2(lines.contains(QLatin1String(name) + u'=' + oneLine), name);

        const QString pdf = home.filePath(QStringLiteral("lista.pdf"));
        r = kelvoctl({"report", "transports", "--home", homeArg, "--no-dates", "--pdf", pdf.toUtf8()}, home.path());
        QVERIFY2(r.code == 0, r.out.constData());
        if (!inPdf)
            return;
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QProcess p;
        p.start(pdftotext, {QStringLiteral("-raw"), pdf, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        const QString shown = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(shown.contains(text), qPrintable(shown));
    }
};

QTEST_GUILESS_MAIN(TestHostileText)
#include "tst_hostiletext.moc"
