#include "TTerminal.h"

#include "ui_TTerminal.h"

#include <QMainWindow>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

class TestTerminal : public QObject
{
    Q_OBJECT

    static QStringList lines(const TTerminal &terminal)
    {
        const QString text = terminal.ui()->Memo1->toPlainText();
        return text.isEmpty() ? QStringList{} : text.split(u'\n');
    }

private slots:
    void framesWhileShowing_data();
    void framesWhileShowing();
    void buttonsAndKeys_data();
    void buttonsAndKeys();
    void newestLineStaysInView();
    void centredOnTheMainWindow();
};

void TestTerminal::framesWhileShowing_data()
{
    QTest::addColumn<QList<QByteArray>>("beforeShow");
    QTest::addColumn<QList<QByteArray>>("whileShowing");
    QTest::addColumn<QStringList>("shown");

    using F = QList<QByteArray>;
    QTest::newRow("frames in order, one line each")
        << F{} << F{"+ 0012340 kg\r\n", "+ 0012360 kg\r\n"} << QStringList{"+ 0012340 kg", "+ 0012360 kg"};
    QTest::newRow("other terminator stays in the line")
        << F{} << F{"\x02" "01#PC#SOG# 001234\x03"} << QStringList{"\x02" "01#PC#SOG# 001234\x03"};
    QTest::newRow("bytes above 127 one character each") << F{} << F{"\xb0 12\n"} << QStringList{"\u00b0 12"};
    QTest::newRow("frame without terminator") << F{} << F{"12"} << QStringList{"12"};
    QTest::newRow("empty line") << F{} << F{"1\r\n", "\r\n", "2\r\n"} << QStringList{"1", "", "2"};
    QTest::newRow("nothing kept from before showing") << F{"+ 0000001 kg\r\n"} << F{} << QStringList{};
}

void TestTerminal::framesWhileShowing()
{
    QFETCH(QList<QByteArray>, beforeShow);
    QFETCH(QList<QByteArray>, whileShowing);
    QFETCH(QStringList, shown);

    TTerminal terminal;
    for (const QByteArray &frame : beforeShow)
        terminal.appendFrame(frame);
    terminal.show();
    for (const QByteArray &frame : whileShowing)
        terminal.appendFrame(frame);
    QCOMPARE(lines(terminal), shown);
}

void TestTerminal::buttonsAndKeys_data()
{
    QTest::addColumn<QString>("action"); // a button's object name, or "Escape"
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<int>("settingsRequests");

    QTest::newRow("Bezár") << "bezar" << false << false << 0;
    QTest::newRow("Escape") << "Escape" << false << false << 0;
    QTest::newRow("Töröl") << "torol" << true << true << 0;
    QTest::newRow("Beállítások") << "beallitasok" << true << false << 1;
}

void TestTerminal::buttonsAndKeys()
{
    QFETCH(QString, action);
    QFETCH(bool, visible);
    QFETCH(bool, cleared);
    QFETCH(int, settingsRequests);

    TTerminal terminal;
    QSignalSpy settings(&terminal, &TTerminal::settingsRequested);
    terminal.show();
    terminal.appendFrame("+ 0012340 kg\r\n");
    if (action == QLatin1String("Escape"))
        QTest::keyClick(&terminal, Qt::Key_Escape);
    else
        terminal.findChild<QPushButton *>(action)->click();
    QCOMPARE(terminal.isVisible(), visible);
    QCOMPARE(lines(terminal).isEmpty(), cleared);
    QCOMPARE(settings.size(), settingsRequests);

    // Every showing starts with an empty text.
    terminal.hide();
    terminal.show();
    QCOMPARE(lines(terminal), QStringList{});
}

void TestTerminal::newestLineStaysInView()
{
    TTerminal terminal;
    terminal.resize(300, 200);
    terminal.show();
    QScrollBar *bar = terminal.ui()->Memo1->verticalScrollBar();
    for (int i = 0; i < 200; ++i) {
        terminal.appendFrame(QByteArray::number(i) + "\r\n");
        if (i == 100)
            bar->setValue(0); // the operator scrolled up; the next frame brings the newest line back
    }
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    for (int i = 200; i < TTerminal::kMaxLines + 10; ++i)
        terminal.appendFrame(QByteArray::number(i) + "\r\n");
    const QStringList kept = lines(terminal);
    QCOMPARE(kept.size(), TTerminal::kMaxLines);
    QCOMPARE(kept.first(), QStringLiteral("10"));
    QCOMPARE(kept.last(), QString::number(TTerminal::kMaxLines + 9));
}

void TestTerminal::centredOnTheMainWindow()
{
    QMainWindow main;
    main.setGeometry(100, 80, 900, 700);
    main.show();
    TTerminal terminal;
    terminal.setCentreOn(&main);
    terminal.show();
    QCOMPARE(terminal.frameGeometry().center(), main.frameGeometry().center());
    QCOMPARE(terminal.windowTitle(), QStringLiteral("Terminal"));
    QVERIFY(!terminal.isModal());
}

QTEST_MAIN(TestTerminal)
#include "tst_terminal.moc"
