#include "Invocation.h"

#include "Config.h"
#include "Database.h"
#include "DatabaseStartup.h"
#include "PortDetector.h"
#include "ProgramFolder.h"

#include <QBuffer>
#include <QDir>
#include <QStringDecoder>

Invocation::Invocation(const CommandLine &args, Environment &environment, const QString &home)
    : m_args(args)
    , m_environment(environment)
    , m_home(home.isEmpty() ? programFolder() : QDir(home).absolutePath())
    , m_homeGiven(!home.isEmpty())
{
    if (!m_home.endsWith(QLatin1Char('/')))
        m_home.append(QLatin1Char('/'));
}

void Invocation::writeOut(const QByteArray &bytes)
{
    out().flush();
    if (QIODevice *device = out().device()) {
        device->write(bytes);
        return;
    }
    // A stream onto a string (tests): the mark stays as its character.
    const QString text = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)(bytes);
    out() << text;
}

QIODevice &Invocation::bytesOut()
{
    out().flush();
    if (QIODevice *device = out().device())
        return *device;
    if (!m_bytes) {
        m_bytes = std::make_unique<QBuffer>();
        m_bytes->open(QIODevice::WriteOnly);
    }
    return *m_bytes;
}

void Invocation::endBytes()
{
    if (!m_bytes)
        return;
    writeOut(m_bytes->data());
    m_bytes.reset();
}

Invocation::~Invocation() = default;

const PortDetector &Invocation::ports()
{
    if (m_environment.ports)
        return *m_environment.ports;
    if (!m_ports)
        m_ports = std::make_unique<PortDetector>();
    return *m_ports;
}

Config &Invocation::config()
{
    if (!m_config)
        m_config = std::make_unique<Config>(Config::locateIniFile(m_home), m_home);
    return *m_config;
}

QString Invocation::databasePath()
{
    return DatabaseStartup::databasePath(config());
}

QSqlDatabase Invocation::database()
{
    if (!m_database) {
        const QString path = databasePath();
        checkDatabase(path);
        auto database = std::make_unique<Database>(path);
        if (const QString error = database->open(); !error.isEmpty())
            throw Refused(error);
        m_database = std::move(database);
    }
    return m_database->db();
}

void Invocation::checkDatabase(const QString &path)
{
    if (const auto problem = DatabaseStartup::check(path))
        throw Refused(*problem);
}
