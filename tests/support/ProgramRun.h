#pragma once

#include "Kelvo.h"
#include "MessageBoxes.h"
#include "Schema.h"
#include "TFoform.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The whole program in a fresh program folder (the delivered database, company data, settings kept apart from the
// user's), its message boxes answered and recorded instead of shown. One per test function.
class ProgramRun
{
public:
    ProgramRun()
    {
        m_home = m_dir.path() + QLatin1Char('/');
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("xdg")).toUtf8());
        m_ready = Schema::createFile(m_home + QStringLiteral("kelvo.mdb")).isEmpty();
        QFile company(m_home + QStringLiteral("sajatceg.txt"));
        m_ready = m_ready && company.open(QIODevice::WriteOnly) && company.write("Teszt Kft.\r\n") > 0;
        setMessageHook([this](const MessageRequest &r) {
            m_messages.append(r.text);
            return 1;
        });
    }
    ~ProgramRun() { setMessageHook({}); }

    bool ready() const { return m_ready; }
    const QString &home() const { return m_home; }
    const QStringList &messages() const { return m_messages; }

    // Kelvo.ini's [Opt] section starts with maintenance off (no compaction at every start); the text goes after it.
    bool writeIni(const QByteArray &text) const
    {
        QFile file(m_home + QStringLiteral("Kelvo.ini"));
        return file.open(QIODevice::WriteOnly) && file.write("[Opt]\nkarbantart=0\n" + text) > 0;
    }

    // Creates the windows and shows the main window, which runs the initialisation as at a real start; on a day
    // without a calibration warning, with a printer.
    std::unique_ptr<Kelvo> start(int watchdogMs, int slowMs = 10000) const
    {
        auto kelvo = std::make_unique<Kelvo>(m_home, nullptr, watchdogMs);
        kelvo->setPrinterCheck([] { return true; });
        kelvo->setToday([] { return QDate(2026, 12, 8); });
        if (!kelvo->createWindows())
            return kelvo;
        kelvo->Foform()->show();
        QDeadlineTimer deadline(slowMs);
        while (kelvo->state() == Kelvo::State::Starting && !deadline.hasExpired())
            QTest::qWait(10);
        return kelvo;
    }

private:
    QTemporaryDir m_dir;
    QString m_home;
    QStringList m_messages;
    bool m_ready = false;
};
