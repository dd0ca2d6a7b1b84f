#pragma once

#include "../support/SimulatorProcess.h"
#include "../support/TestDatabase.h"

#include "MessageBoxes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A station's program folder for the whole-window tests of the gate devices: a database of the run's engine, the
// company lines, the HTML ticket, the message boxes answered and recorded, and scalesim on a pseudo-terminal named
// "scale" in the folder. Needs SCALESIM_PATH and KELVO_SOURCE_DIR.
class StationFolderTest : public QObject
{
protected:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestDatabase> m_databases;
    QString m_home;
    QString m_datapath;
    QStringList m_messages;
    std::unique_ptr<SimulatorProcess> m_scale;

    void setUpFolder()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_databases = std::make_unique<TestDatabase>();
        m_datapath = m_databases->created(QStringLiteral("kelvo"));
        m_home = m_dir->path() + QLatin1Char('/');
        qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("xdg")).toUtf8());
        QFile company(m_home + QStringLiteral("sajatceg.txt"));
        QVERIFY(company.open(QIODevice::WriteOnly));
        company.write("Teszt Kft.\r\n");
        QVERIFY(QFile::copy(QStringLiteral(KELVO_SOURCE_DIR "/share/merlegjegy.htm"),
                            m_home + QStringLiteral("merlegjegy.htm")));
        m_messages.clear();
        setMessageHook([this](const MessageRequest &r) {
            m_messages.append(r.text);
            return 1;
        });
    }

    void tearDownFolder()
    {
        setMessageHook({});
        m_scale.reset();
        m_databases.reset();
        m_dir.reset();
    }

    // The scale shows this weight from now on (a new indicator on the same line).
    void scaleShows(int kilograms)
    {
        m_scale.reset();
        m_scale = std::make_unique<SimulatorProcess>(
            QStringLiteral(SCALESIM_PATH),
            QStringList{QStringLiteral("--weight"), QString::number(kilograms), QStringLiteral("--interval"),
                        QStringLiteral("50"), QStringLiteral("--link"), m_home + QStringLiteral("scale")});
        QVERIFY(!m_scale->firstLine().isEmpty());
    }
};
