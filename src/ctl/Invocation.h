#pragma once

#include "CommandLine.h"

#include <QSqlDatabase>
#include <QString>
#include <QTextStream>

#include <memory>
#include <stdexcept>

class Config;
class Database;
class PortDetector;
class QBuffer;
class QIODevice;

// Exit codes every command keeps: scripts at the sites test them.
enum ExitCode { kDone = 0, kRefused = 1, kBadArguments = 2 };

// The program turned the command down, or the program folder could not be opened: kelvoctl prints the program's
// own message on standard output and exits 1.
class Refused : public std::runtime_error
{
public:
    explicit Refused(const QString &message)
        : std::runtime_error(message.toStdString())
    {
    }
};

// Where kelvoctl reads and writes. Tests give buffers, and a port detector over a made-up system tree.
struct Environment {
    QIODevice &in;
    QTextStream &out;
    QTextStream &err;
    const PortDetector *ports = nullptr; // null: the machine's own ports
};

// One run of one command: its parsed arguments, the streams, and the program folder it works on, whose settings
// and database open on first use, the way the window program opens them.
class Invocation
{
public:
    // home is the --home value; empty: KELVO_HOME or the program's own folder.
    Invocation(const CommandLine &args, Environment &environment, const QString &home);
    ~Invocation();
    Invocation(const Invocation &) = delete;
    Invocation &operator=(const Invocation &) = delete;

    const CommandLine &args() const { return m_args; }
    QIODevice &in() { return m_environment.in; }
    QTextStream &out() { return m_environment.out; }
    QTextStream &err() { return m_environment.err; }
    // Bytes onto standard output as they are: a CSV file's byte-order mark would not survive the text stream.
    void writeOut(const QByteArray &bytes);
    // Standard output for bytes written in blocks (a CSV file, a long list): the device under out(), which is
    // flushed first. A stream onto a string (tests) gets them through writeOut() at endBytes().
    QIODevice &bytesOut();
    void endBytes();
    const PortDetector &ports();

    // The program folder: absolute, with a trailing "/".
    const QString &home() const { return m_home; }
    // The folder was named with --home (not KELVO_HOME or kelvoctl's own folder).
    bool homeGiven() const { return m_homeGiven; }
    // The database the program folder's settings name (datapath), unchecked.
    QString databasePath();
    // Its settings: Kelvo.ini where the program looks for it.
    Config &config();
    // Its database, after the start-up checks; throws Refused with the program's message.
    QSqlDatabase database();

    // The start-up checks of the database file at path: it is there and has the right version. Throws Refused
    // with the program's message.
    static void checkDatabase(const QString &path);

private:
    const CommandLine &m_args;
    Environment &m_environment;
    QString m_home;
    bool m_homeGiven = false;
    std::unique_ptr<Config> m_config;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<PortDetector> m_ports;
    std::unique_ptr<QBuffer> m_bytes;
};
