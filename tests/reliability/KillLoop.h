#pragma once

#include "../support/ZipReader.h"

#include "Database.h"
#include "DatabaseUri.h"
#include "Sql.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>
#include <map>
#include <set>

// kelvoctl killed with SIGKILL at random moments while it weighs, finishes, cancels or backs up, each kill followed
// by a command that must work; at the end the database must hold every transport once, a valid trail and intact
// indexes. The suite runs a few dozen kills (tst_reliability_killloop), bench/killloop hundreds.
class KillLoop
{
public:
    struct Figures {
        int kills = 0;
        int landedRunning = 0;    // the process was still running when the signal came
        int hotJournals = 0;      // SQLite: a journal left behind, i.e. killed inside a write transaction
        int effectCommitted = 0;  // killed while running, but its change was already committed
        int backupLeftovers = 0;  // temporary files a killed backup left beside the target
        QStringList findings;     // every proof that failed; empty when all hold
    };

    KillLoop(QString kelvoctl, QString datapath, QString home, quint32 seed)
        : m_kelvoctl(std::move(kelvoctl)), m_datapath(std::move(datapath)), m_home(std::move(home)), m_random(seed)
    {
        m_target = QDir(m_home).filePath(QStringLiteral("mentes/kelvo.zip"));
        QDir(m_home).mkpath(QStringLiteral("mentes"));
        const DatabaseUri uri = DatabaseUri::parse(m_datapath);
        if (!uri.isServer())
            m_journal = uri.filePath() + QStringLiteral("-journal");
    }

    Figures run(int kills)
    {
        // Each operation once without a kill: how long it takes sets the window the kills fall in.
        probe(Op::FirstWeighing);
        probe(Op::FirstWeighing);
        probe(Op::Finish);
        probe(Op::Cancel);
        probe(Op::Backup);
        static constexpr Op kRotation[] = {Op::FirstWeighing, Op::Finish, Op::FirstWeighing, Op::Cancel};
        for (int i = 0; i < kills && m_figures.findings.size() < 10; ++i) {
            const Op op = pick();
            kill(op);
            probe(op == Op::Backup ? Op::Backup : kRotation[i % 4]);
        }
        verify();
        return m_figures;
    }

private:
    enum class Op { FirstWeighing, Finish, Cancel, Backup };
    struct Call {
        QStringList args;
        Op op;
        QString subject; // the plate, or the serial cancelled
    };
    struct Ended {
        bool killedRunning = false;
        int code = -1;
        QString out;
    };

    static QString name(Op op)
    {
        static const char *const names[] = {"first-weighing", "finish", "cancel", "backup"};
        return QString::fromLatin1(names[int(op)]);
    }

    Op pick()
    {
        for (;;) {
            const Op op = Op(m_random.bounded(4));
            if ((op == Op::Finish && m_inProgress.empty()) || (op == Op::Cancel && m_finished.empty()))
                continue;
            return op;
        }
    }

    Call call(Op op)
    {
        const QString home = QStringLiteral("--home");
        switch (op) {
        case Op::FirstWeighing: {
            const QString plate = QStringLiteral("KL-%1").arg(++m_plates);
            return {{QStringLiteral("first-weighing"), home, m_home, QStringLiteral("--plate"), plate,
                     QStringLiteral("--carrier"), QStringLiteral("Fuvar %1").arg(m_plates % 5),
                     QStringLiteral("--customer"), QStringLiteral("Ügyfél %1").arg(m_plates % 3),
                     QStringLiteral("--product"), QStringLiteral("Termék %1").arg(m_plates % 4),
                     QStringLiteral("--weight"), QString::number(20000 + m_plates)},
                    op, plate};
        }
        case Op::Finish: {
            const QString plate = *std::next(m_inProgress.begin(), m_random.bounded(int(m_inProgress.size())));
            m_inProgress.erase(plate);
            return {{QStringLiteral("finish"), home, m_home, QStringLiteral("--plate"), plate, QStringLiteral("--weight"),
                     QStringLiteral("10000"), QStringLiteral("--warehouse"), QStringLiteral("Fő raktár")},
                    op, plate};
        }
        case Op::Cancel: {
            const QString serial = *std::next(m_finished.begin(), m_random.bounded(int(m_finished.size())));
            m_finished.erase(serial);
            return {{QStringLiteral("cancel"), serial, home, m_home}, op, serial};
        }
        case Op::Backup:
            break;
        }
        return {{QStringLiteral("backup"), QStringLiteral("--to"), m_target, home, m_home}, op, m_target};
    }

    // Runs the call, killing it after killAfterMs unless that is negative.
    Ended start(const Call &c, qint64 killAfterMs)
    {
        QProcess p;
        QElapsedTimer clock;
        clock.start();
        p.start(m_kelvoctl, c.args);
        Ended ended;
        if (killAfterMs >= 0) {
            if (!p.waitForFinished(int(killAfterMs)) && p.state() == QProcess::Running) {
                p.kill();
                ended.killedRunning = true;
            }
        }
        if (p.state() != QProcess::NotRunning && !p.waitForFinished(120000))
            finding(QStringLiteral("%1 did not end within two minutes").arg(name(c.op)));
        if (killAfterMs < 0)
            m_duration[c.op] = clock.elapsed();
        ended.killedRunning = ended.killedRunning && p.exitStatus() == QProcess::CrashExit;
        ended.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        ended.out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        return ended;
    }

    void probe(Op op)
    {
        if ((op == Op::Finish && m_inProgress.empty()) || (op == Op::Cancel && m_finished.empty()))
            op = Op::FirstWeighing;
        const Call c = call(op);
        const Ended e = start(c, -1);
        if (e.code != 0) {
            finding(QStringLiteral("%1 %2 after a kill: exit %3: %4").arg(name(op), c.subject).arg(e.code).arg(e.out));
            return;
        }
        settled(c, e.out);
    }

    // Bookkeeping for a call that completed: what it made is now known for sure.
    void settled(const Call &c, const QString &out)
    {
        switch (c.op) {
        case Op::FirstWeighing:
            m_inProgress.insert(c.subject);
            m_expected.insert(c.subject);
            break;
        case Op::Finish:
            m_finished.insert(out);
            m_serialOf[c.subject] = out;
            break;
        case Op::Cancel:
            break;
        case Op::Backup:
            if (ZipReader::entries(m_target).isEmpty())
                finding(QStringLiteral("the backup reported done but %1 is no readable archive").arg(m_target));
            break;
        }
    }

    void kill(Op op)
    {
        const Call c = call(op);
        const qint64 window = std::max<qint64>(m_duration[op] * 5 / 4, 20);
        const Ended e = start(c, m_random.bounded(window));
        ++m_figures.kills;
        if (!e.killedRunning) {
            if (e.code != 0)
                finding(QStringLiteral("%1 %2: exit %3: %4").arg(name(op), c.subject).arg(e.code).arg(e.out));
            else
                settled(c, e.out);
            return;
        }
        ++m_figures.landedRunning;
        if (!m_journal.isEmpty() && QFileInfo(m_journal).size() > 0)
            ++m_figures.hotJournals;
        m_killed.push_back(c);
        if (op == Op::Backup)
            checkKilledBackup();
    }

    // Whatever a killed backup left: the target is either absent, the earlier archive or a whole new one.
    void checkKilledBackup()
    {
        if (QFileInfo::exists(m_target) && ZipReader::entries(m_target).isEmpty())
            finding(QStringLiteral("a killed backup left an unreadable archive at %1").arg(m_target));
        const QFileInfo target(m_target);
        const QStringList others = QDir(target.absolutePath()).entryList(QDir::Files).filter(target.fileName() + u'.');
        m_figures.backupLeftovers = int(others.size());
    }

    void verify()
    {
        const Ended trail = start({{QStringLiteral("verify-trail"), QStringLiteral("--home"), m_home}, Op::Cancel, {}}, -1);
        if (trail.code != 0)
            finding(QStringLiteral("verify-trail: exit %1: %2").arg(trail.code).arg(trail.out));
        const QString connection = QStringLiteral("killloop-check");
        {
            QString error;
            QSqlDatabase db = Database::openConnection(m_datapath, connection, &error);
            if (!error.isEmpty())
                finding(QStringLiteral("opening the database after the kills: ") + error);
            else
                verifyTables(db);
        }
        QSqlDatabase::removeDatabase(connection);
    }

    void verifyTables(const QSqlDatabase &db)
    {
        // Where each plate is: 1 in progress, 2 finished, 3 both; several rows count as a finding of their own.
        std::map<QString, int> where;
        std::map<QString, QString> serialOf;
        std::map<QString, bool> cancelled;
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT rendszam FROM folyamatban"));
        while (q.next())
            if ((where[q.value(0).toString()] |= 1) != 1)
                finding(QStringLiteral("%1 is in progress twice").arg(q.value(0).toString()));
        q.exec(QStringLiteral("SELECT rendszam, sorszam, ervenyes FROM szallitasok"));
        while (q.next()) {
            const QString plate = q.value(0).toString();
            if (where[plate] & 2)
                finding(QStringLiteral("%1 is finished twice").arg(plate));
            where[plate] |= 2;
            serialOf[plate] = q.value(1).toString();
            cancelled[q.value(1).toString()] = !q.value(2).toBool();
        }
        for (const auto &[plate, place] : where) {
            if (place == 3)
                finding(QStringLiteral("%1 is both in progress and finished").arg(plate));
            if (!plate.startsWith(u"KL-") || plate.mid(3).toInt() > m_plates)
                finding(QStringLiteral("a transport no call made: %1").arg(plate));
        }
        for (const QString &plate : m_expected) {
            if (!where.count(plate))
                finding(QStringLiteral("%1 was weighed in but is lost").arg(plate));
        }
        for (const auto &[plate, serial] : m_serialOf) {
            if (serialOf[plate] != serial)
                finding(QStringLiteral("%1 was finished as %2 but is %3").arg(plate, serial, serialOf[plate]));
        }
        for (const Call &c : m_killed) {
            bool committed = false;
            switch (c.op) {
            case Op::FirstWeighing: committed = where.count(c.subject) > 0; break;
            case Op::Finish: committed = (where[c.subject] & 2) != 0; break;
            case Op::Cancel: committed = cancelled[c.subject]; break;
            case Op::Backup: break;
            }
            m_figures.effectCommitted += committed ? 1 : 0;
        }
        if (Sql::value(db, QStringLiteral("SELECT count(*) - count(DISTINCT sorszam) FROM szallitasok")).toInt() != 0)
            finding(QStringLiteral("a serial number is used twice"));
        integrity(db);
    }

    void integrity(const QSqlDatabase &db)
    {
        QSqlQuery q(db);
        if (db.driverName() == u"QSQLITE") {
            q.exec(QStringLiteral("PRAGMA integrity_check"));
            while (q.next())
                if (q.value(0).toString() != u"ok")
                    finding(QStringLiteral("integrity_check: ") + q.value(0).toString());
            return;
        }
        // Every B-tree index of the tables checked against its table, where the server has amcheck.
        if (!q.exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS amcheck")))
            return;
        if (!q.exec(QStringLiteral("SELECT c.relname, bt_index_check(c.oid, true) FROM pg_index i "
                                   "JOIN pg_class c ON c.oid = i.indexrelid JOIN pg_am a ON a.oid = c.relam "
                                   "JOIN pg_namespace n ON n.oid = c.relnamespace "
                                   "WHERE a.amname = 'btree' AND n.nspname = 'public'")))
            finding(QStringLiteral("bt_index_check: ") + q.lastError().text());
        m_amchecked = true;
    }

    void finding(const QString &text) { m_figures.findings.append(text); }

public:
    bool amchecked() const { return m_amchecked; }

private:
    QString m_kelvoctl;
    QString m_datapath;
    QString m_home;
    QString m_target;
    QString m_journal;
    QRandomGenerator m_random;
    Figures m_figures;
    int m_plates = 0;
    std::map<Op, qint64> m_duration;
    std::set<QString> m_inProgress;            // weighed in for sure, untouched by a kill since
    std::set<QString> m_finished;              // serials finished for sure, not cancelled
    std::set<QString> m_expected;              // plates whose first weighing reported success
    std::map<QString, QString> m_serialOf;     // plates whose finishing reported its serial
    std::vector<Call> m_killed;
    bool m_amchecked = false;
};
