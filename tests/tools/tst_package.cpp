// Builds the Debian package from this build and checks what it holds, what it depends on, and that its launchers
// make a working program folder when run from the unpacked package.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString &program, const QStringList &args, const QProcessEnvironment &env = {},
        const QString &workingDir = {})
{
    QProcess process;
    if (!env.isEmpty())
        process.setProcessEnvironment(env);
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.start(program, args);
    Run result;
    if (!process.waitForFinished(240000)) {
        process.kill();
        process.waitForFinished();
        result.err = program + QStringLiteral(" did not finish");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

bool writeFile(const QString &path, const QByteArray &content, bool executable = false)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        return false;
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Stands in for the real window programs, which would open a window: tells how it was started.
constexpr char kStandIn[] =
    "#!/bin/sh\necho \"$(basename \"$0\") KELVO_HOME=$KELVO_HOME SORVIK_HOME=$SORVIK_HOME $*\"\n";

} // namespace

class TestPackage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void files_data();
    void files();
    void control_data();
    void control();
    void manPages_data();
    void manPages();
    void debianToolsFindNothing_data();
    void debianToolsFindNothing();
    void firstStartMakesTheFolder();
    void laterStartsKeepTheFolder_data();
    void laterStartsKeepTheFolder();
    void failedDatabaseLeavesNoFolder();

private:
    QProcessEnvironment userEnvironment(const QString &dataHome) const;
    QString tree(const QString &path) const { return m_tree.filePath(path); }

    QTemporaryDir m_work;
    QString m_deb;
    QDir m_tree;
    QSet<QString> m_files;
    QHash<QString, QString> m_modes;
};

void TestPackage::initTestCase()
{
    QVERIFY(m_work.isValid());
    const Run pack = run(QStringLiteral("cpack"), {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"),
                                                   m_work.filePath(QStringLiteral("out"))},
                         {}, QStringLiteral(KELVO_BINARY_DIR));
    QVERIFY2(pack.exitCode == 0, qPrintable(pack.out + pack.err));
    m_deb = m_work.filePath(QStringLiteral("out/kelvo_4.64-1_amd64.deb"));
    QVERIFY2(QFile::exists(m_deb), qPrintable(pack.out));

    const Run contents = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), m_deb});
    QCOMPARE(contents.exitCode, 0);
    // "-rwxr-xr-x root/root 1234 2026-01-01 10:00 ./usr/bin/kelvo"
    for (const QString &line : contents.out.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QRegularExpression(QStringLiteral("\\s+")));
        QVERIFY(fields.size() >= 6);
        m_files.insert(fields.last());
        m_modes.insert(fields.last(), fields.first() + u' ' + fields.at(1));
    }

    m_tree.setPath(m_work.filePath(QStringLiteral("root")));
    QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, m_tree.path()}).exitCode, 0);
    for (const char *program : {"usr/lib/kelvo/kelvo", "usr/lib/kelvo/sorvik"})
        QVERIFY(writeFile(tree(QLatin1String(program)), kStandIn, true));
}

QProcessEnvironment TestPackage::userEnvironment(const QString &dataHome) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("KELVO_HOME"));
    env.remove(QStringLiteral("SORVIK_HOME"));
    env.insert(QStringLiteral("HOME"), dataHome);
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dataHome + QStringLiteral("/config"));
    return env;
}

void TestPackage::files_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mode");

    const QString program = QStringLiteral("-rwxr-xr-x root/root");
    const QString data = QStringLiteral("-rw-r--r-- root/root");
    for (const char *path : {"usr/bin/kelvo", "usr/bin/kelvoctl", "usr/bin/sorvik", "usr/bin/scalesim",
                             "usr/lib/kelvo/kelvo", "usr/lib/kelvo/kelvoctl", "usr/lib/kelvo/sorvik"})
        QTest::newRow(path) << QString::fromLatin1(path) << program;
    for (const char *path : {"usr/share/kelvo/merlegjegy.htm", "usr/share/kelvo/merlegjegy.docx",
                             "usr/share/kelvo/ewc.lst", "usr/share/kelvo/hlp/index.htm",
                             "usr/share/applications/kelvo.desktop", "usr/share/applications/sorvik.desktop",
                             "usr/share/icons/hicolor/scalable/apps/kelvo.svg",
                             "usr/share/icons/hicolor/scalable/apps/sorvik.svg",
                             "usr/share/man/man1/kelvoctl.1.gz", "usr/share/man/man1/scalesim.1.gz",
                             "usr/share/man/man1/kelvo.1.gz", "usr/share/man/man1/sorvik.1.gz",
                             "usr/share/doc/kelvo/copyright", "usr/share/doc/kelvo/changelog.Debian.gz",
                             "usr/share/lintian/overrides/kelvo"})
        QTest::newRow(path) << QString::fromLatin1(path) << data;
}

void TestPackage::files()
{
    QFETCH(QString, path);
    QFETCH(QString, mode);
    const QString entry = QStringLiteral("./") + path;
    QVERIFY2(m_files.contains(entry), qPrintable(entry));
    QCOMPARE(m_modes.value(entry), mode);
}

void TestPackage::control_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("Package") << "Package" << QStringList{"kelvo"};
    QTest::newRow("Version") << "Version" << QStringList{"4.64-1"};
    QTest::newRow("Architecture") << "Architecture" << QStringList{"amd64"};
    QTest::newRow("Depends Qt") << "Depends"
                                << QStringList{"libqt6core6", "libqt6widgets6", "libqt6sql6", "libqt6printsupport6",
                                               "libqt6webenginecore6", "libqt6pdfwidgets6"};
    QTest::newRow("Depends plugins") << "Depends"
                                     << QStringList{"libqt6sql6-sqlite", "libqt6sql6-psql", "libqt6webenginecore6-bin"};
    QTest::newRow("Depends libraries") << "Depends" << QStringList{"libzip4", "libcups2", "libpq5"};
    QTest::newRow("Recommends") << "Recommends"
                                << QStringList{"libreoffice-writer-nogui", "postgresql-client",
                                               "printer-driver-cups-pdf"};
}

void TestPackage::control()
{
    QFETCH(QString, field);
    QFETCH(QStringList, names);
    const Run fields = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb, field});
    QCOMPARE(fields.exitCode, 0);
    // "libc6 (>= 2.34), libreoffice-writer-nogui | libreoffice-writer" gives the bare package names.
    QSet<QString> present;
    for (const QString &entry : fields.out.split(QRegularExpression(QStringLiteral("[,|]"))))
        present.insert(entry.section(u'(', 0, 0).section(u':', 0, 0).trimmed());
    for (const QString &name : names)
        QVERIFY2(present.contains(name), qPrintable(field + QStringLiteral(": ") + fields.out));
    // A package made from the sanitizer build would drag its run-time libraries along.
    QVERIFY2(!fields.out.contains(QLatin1String("libasan")), qPrintable(fields.out));
}

void TestPackage::manPages_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("texts");

    // A text of the program's own --help, and the escaped option dashes that let a reader copy an option.
    QTest::newRow("kelvoctl") << "kelvoctl" << QStringList{".TH KELVOCTL 1", "create\\-db", "\\-\\-home", "KELVO_HOME"};
    QTest::newRow("scalesim") << "scalesim" << QStringList{".TH SCALESIM 1", "\\-\\-profile", "pseudo\\-terminal"};
    // The window programs' pages are written out whole, with the version filled in.
    QTest::newRow("kelvo") << "kelvo" << QStringList{".TH KELVO 1 \"\" \"kelvo 4.64\"", "KELVO_HOME"};
    QTest::newRow("sorvik") << "sorvik" << QStringList{".TH SORVIK 1 \"\" \"kelvo 4.64\"", "SORVIK_HOME"};
}

void TestPackage::manPages()
{
    QFETCH(QString, page);
    QFETCH(QStringList, texts);
    const QString path = tree(QStringLiteral("usr/share/man/man1/%1.1.gz").arg(page));
    const Run text = run(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
    QCOMPARE(text.exitCode, 0);
    for (const QString &expected : texts)
        QVERIFY2(text.out.contains(expected), qPrintable(expected));
    QVERIFY2(!text.out.contains(QLatin1String("@KELVO_")), "a placeholder was left");
}

// What a Debian maintainer runs over a package, when it is installed (scripts/deps installs both): no error, no
// warning, nothing to say at all.
void TestPackage::debianToolsFindNothing_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("args");

    QTest::newRow("lintian") << "lintian" << QStringList{QStringLiteral("--fail-on"), QStringLiteral("error,warning"),
                                                       m_deb};
    for (const char *entry : {"kelvo", "sorvik"})
        QTest::newRow(entry) << "desktop-file-validate"
                             << QStringList{tree(QStringLiteral("usr/share/applications/%1.desktop").arg(
                                    QLatin1String(entry)))};
}

void TestPackage::debianToolsFindNothing()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, args);
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        QSKIP(qPrintable(tool + QStringLiteral(" is not installed")));
    const Run check = run(program, args);
    QVERIFY2(check.exitCode == 0 && check.out.isEmpty(), qPrintable(check.out + check.err));
}

void TestPackage::firstStartMakesTheFolder()
{
    QTemporaryDir user;
    const QProcessEnvironment env = userEnvironment(user.path());
    const QString home = user.filePath(QStringLiteral("data/kelvo"));

    const Run start = run(tree(QStringLiteral("usr/bin/kelvo")), {QStringLiteral("--arg")}, env);
    QVERIFY2(start.exitCode == 0, qPrintable(start.err));
    QCOMPARE(start.out.trimmed(), QStringLiteral("kelvo KELVO_HOME=%1 SORVIK_HOME= --arg").arg(home));

    for (const char *file : {"merlegjegy.htm", "merlegjegy.docx", "ewc.lst", "hlp/index.htm", "kelvo.mdb"})
        QVERIFY2(QFile::exists(home + u'/' + QLatin1String(file)), file);
    QCOMPARE(readFile(home + QStringLiteral("/merlegjegy.htm")),
             readFile(tree(QStringLiteral("usr/share/kelvo/merlegjegy.htm"))));
    QVERIFY(readFile(home + QStringLiteral("/Kelvo.ini"))
                .contains("winwordfile=" + home.toUtf8() + "/merlegjegy.docx"));
    QCOMPARE(QDir(user.filePath(QStringLiteral("data"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("kelvo")});

    // kelvoctl finds the same folder by itself, and its database passes kelvo's start-up check.
    const Run check = run(tree(QStringLiteral("usr/bin/kelvoctl")), {QStringLiteral("check-db")}, env);
    QCOMPARE(check.out.trimmed(), QStringLiteral("ok 4.64"));

    const Run sorvik = run(tree(QStringLiteral("usr/bin/sorvik")), {}, env);
    const QString sorvikHome = user.filePath(QStringLiteral("data/sorvik"));
    QCOMPARE(sorvik.out.trimmed(), QStringLiteral("sorvik KELVO_HOME= SORVIK_HOME=%1").arg(sorvikHome));
    QVERIFY(QFileInfo(sorvikHome).isDir());
}

void TestPackage::laterStartsKeepTheFolder_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("deleteDatabase");
    QTest::addColumn<bool>("databaseAfter");

    QTest::newRow("all there") << QByteArray("[Opt]\n") << false << true;
    QTest::newRow("database deleted to start afresh") << QByteArray("[Opt]\n") << true << true;
    // A database the settings place elsewhere (an unmounted share) must not be replaced by an empty one; keys are
    // read as kelvo reads them, whatever their case and line ends.
    QTest::newRow("database placed elsewhere") << QByteArray("[Opt]\r\nDataPath={elsewhere}\r\n") << true << false;
}

void TestPackage::laterStartsKeepTheFolder()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, deleteDatabase);
    QFETCH(bool, databaseAfter);

    QTemporaryDir user;
    const QProcessEnvironment env = userEnvironment(user.path());
    const QString home = user.filePath(QStringLiteral("station"));
    QProcessEnvironment station = env;
    station.insert(QStringLiteral("KELVO_HOME"), home);
    QCOMPARE(run(tree(QStringLiteral("usr/bin/kelvo")), {}, station).exitCode, 0);

    // The operator's own changes: an edited template, a file removed, the settings.
    QVERIFY(writeFile(home + QStringLiteral("/merlegjegy.htm"), "edited"));
    QVERIFY(QFile::remove(home + QStringLiteral("/ewc.lst")));
    const QString elsewhere = user.filePath(QStringLiteral("share/kelvo.mdb"));
    ini.replace("{elsewhere}", elsewhere.toUtf8());
    QVERIFY(writeFile(home + QStringLiteral("/Kelvo.ini"), ini));
    if (deleteDatabase)
        QVERIFY(QFile::remove(home + QStringLiteral("/kelvo.mdb")));

    const Run again = run(tree(QStringLiteral("usr/bin/kelvo")), {}, station);
    QVERIFY2(again.exitCode == 0, qPrintable(again.err));
    QVERIFY(again.out.startsWith(QStringLiteral("kelvo KELVO_HOME=") + home));
    QCOMPARE(readFile(home + QStringLiteral("/merlegjegy.htm")), QByteArray("edited"));
    QVERIFY(!QFile::exists(home + QStringLiteral("/ewc.lst")));
    QCOMPARE(readFile(home + QStringLiteral("/Kelvo.ini")), ini);
    QCOMPARE(QFile::exists(home + QStringLiteral("/kelvo.mdb")), databaseAfter);
    QVERIFY(!QFile::exists(elsewhere));
    if (databaseAfter) {
        const Run check = run(tree(QStringLiteral("usr/bin/kelvoctl")), {QStringLiteral("check-db")}, station);
        QCOMPARE(check.out.trimmed(), QStringLiteral("ok 4.64"));
    }
}

void TestPackage::failedDatabaseLeavesNoFolder()
{
    // A copy of the launcher beside a kelvoctl that cannot make the database.
    QTemporaryDir fake;
    QVERIFY(QDir(fake.path()).mkpath(QStringLiteral("usr/bin")));
    QVERIFY(QDir(fake.path()).mkpath(QStringLiteral("usr/lib/kelvo")));
    QVERIFY(QDir(fake.path()).mkpath(QStringLiteral("usr/share")));
    QVERIFY(QFile::copy(tree(QStringLiteral("usr/bin/kelvo")), fake.filePath(QStringLiteral("usr/bin/kelvo"))));
    QVERIFY(QFile::link(tree(QStringLiteral("usr/share/kelvo")), fake.filePath(QStringLiteral("usr/share/kelvo"))));
    QVERIFY(writeFile(fake.filePath(QStringLiteral("usr/lib/kelvo/kelvo")), kStandIn, true));
    QVERIFY(writeFile(fake.filePath(QStringLiteral("usr/lib/kelvo/kelvoctl")),
                      "#!/bin/sh\necho 'A lemez megtelt.' >&2\nexit 1\n", true));

    QTemporaryDir user;
    const Run start = run(fake.filePath(QStringLiteral("usr/bin/kelvo")), {}, userEnvironment(user.path()));
    QCOMPARE(start.exitCode, 1);
    QCOMPARE(start.out, QString());
    QVERIFY2(start.err.contains(QLatin1String("A lemez megtelt.")), qPrintable(start.err));
    QCOMPARE(QDir(user.filePath(QStringLiteral("data"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
