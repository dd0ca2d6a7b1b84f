#include "GateModule.h"

#include "Config.h"

#include <QModbusReply>
#include <QModbusTcpClient>

#include <algorithm>

namespace {

// The most bits one read may ask for.
constexpr int kMaxBits = 2000;

const QString kNoAnswer = QStringLiteral("A kapuvezérlő nem válaszol.");
const QString kUnreachable = QStringLiteral("A kapuvezérlő nem érhető el: %1");
const QString kClosed = QStringLiteral("A kapuvezérlő bontotta a kapcsolatot.");

// The reads that cover the points: one over their whole span, or one each when they lie too far apart.
QList<QModbusDataUnit> readsOf(QModbusDataUnit::RegisterType table, const QMap<QString, int> &points)
{
    if (points.isEmpty())
        return {};
    const auto [low, high] = std::minmax_element(points.cbegin(), points.cend());
    if (*high - *low < kMaxBits)
        return {QModbusDataUnit(table, *low, quint16(*high - *low + 1))};
    QList<QModbusDataUnit> units;
    for (const int address : points)
        units.append(QModbusDataUnit(table, address, 1));
    return units;
}

QString replyError(const QModbusReply *reply)
{
    if (reply->error() == QModbusDevice::TimeoutError)
        return kNoAnswer;
    return kUnreachable.arg(reply->errorString());
}

} // namespace

GateModule::GateModule(GateSettings settings, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_client(new QModbusTcpClient(this))
{
    // A lost module must show within about a second: one short wait, no retries (TCP does its own).
    m_client->setTimeout(kAnswerMs);
    m_client->setNumberOfRetries(0);
    connect(m_client, &QModbusDevice::stateChanged, this, &GateModule::onStateChanged);
    connect(m_client, &QModbusDevice::errorOccurred, this, [this](QModbusDevice::Error error) {
        if (error == QModbusDevice::ConnectionError && !m_closing)
            lose(kUnreachable.arg(m_client->errorString()));
    });

    m_cycle = readsOf(QModbusDataUnit::DiscreteInputs, m_settings.inputs) +
              readsOf(QModbusDataUnit::Coils, m_settings.coils);
    // Without a point to read, the first coil still proves the module answers.
    if (m_cycle.isEmpty())
        m_cycle.append(QModbusDataUnit(QModbusDataUnit::Coils, 0, 1));

    // Children, so that moving the module to the thread that uses it moves its timers too.
    for (QTimer *timer : {&m_pollTimer, &m_connectTimer, &m_retryTimer, &m_pulseTimer})
        timer->setParent(this);
    m_pollTimer.setInterval(kPollMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &GateModule::poll);
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(kConnectMs);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] { lose(kNoAnswer); });
    m_retryTimer.setSingleShot(true);
    m_retryTimer.setInterval(kRetryMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &GateModule::connectNow);
    m_pulseTimer.setSingleShot(true);
    m_pulseTimer.setInterval(m_settings.pulseMs);
    connect(&m_pulseTimer, &QTimer::timeout, this, &GateModule::endPulse);
}

GateModule::~GateModule()
{
    m_closing = true;
    // Requests still on their way end with the link; nobody is left to hear their answers.
    for (QModbusReply *reply : m_client->findChildren<QModbusReply *>())
        reply->disconnect(this);
    m_client->disconnectDevice();
}

void GateModule::start()
{
    if (!m_settings.hasModule() || m_link != Link::Off)
        return;
    setLink(Link::Connecting);
    connectNow();
}

void GateModule::connectNow()
{
    ++m_session;
    m_nextRead = -1;
    m_client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, m_settings.host);
    m_client->setConnectionParameter(QModbusDevice::NetworkPortParameter, m_settings.port);
    m_connectTimer.start();
    if (!m_client->connectDevice())
        lose(kUnreachable.arg(m_client->errorString()));
}

void GateModule::onStateChanged(QModbusDevice::State state)
{
    if (m_closing)
        return;
    if (state == QModbusDevice::ConnectedState) {
        // The connect timer keeps running until the first poll is answered: a socket that connects to a module
        // that never answers is no link.
        const QMap<QString, bool> wanted = m_wanted;
        for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
            write(it.key(), it.value());
        m_pollTimer.start();
        poll();
    } else if (state == QModbusDevice::UnconnectedState) {
        lose(m_client->errorString().isEmpty() ? kClosed : kUnreachable.arg(m_client->errorString()));
    }
}

void GateModule::lose(const QString &reason)
{
    m_pollTimer.stop();
    m_connectTimer.stop();
    m_nextRead = -1;
    ++m_session;
    if (m_client->state() != QModbusDevice::UnconnectedState) {
        m_closing = true;
        m_client->disconnectDevice();
        m_closing = false;
    }
    const bool known = !m_inputs.isEmpty() || !m_coils.isEmpty();
    m_inputs.clear();
    m_coils.clear();
    if (m_link != Link::Lost || m_reason != reason || known)
        setLink(Link::Lost, reason);
    if (!m_retryTimer.isActive())
        m_retryTimer.start();
}

void GateModule::setLink(Link link, const QString &reason)
{
    m_link = link;
    m_reason = reason;
    emit linkChanged(link, reason);
}

void GateModule::poll()
{
    // One cycle at a time: a slow module gets no queue of reads.
    if (m_nextRead >= 0 || m_client->state() != QModbusDevice::ConnectedState)
        return;
    m_nextRead = 0;
    m_readInputs.clear();
    m_readCoils.clear();
    sendNextRead();
}

void GateModule::sendNextRead()
{
    if (m_nextRead >= m_cycle.size()) {
        m_nextRead = -1;
        for (auto it = m_readInputs.cbegin(); it != m_readInputs.cend(); ++it) {
            if (!m_inputs.contains(it.key()) || m_inputs.value(it.key()) != it.value()) {
                m_inputs.insert(it.key(), it.value());
                emit inputChanged(it.key(), it.value());
            }
        }
        for (auto it = m_readCoils.cbegin(); it != m_readCoils.cend(); ++it) {
            if (!m_coils.contains(it.key()) || m_coils.value(it.key()) != it.value()) {
                m_coils.insert(it.key(), it.value());
                emit coilChanged(it.key(), it.value());
            }
        }
        if (m_link != Link::Connected) {
            m_connectTimer.stop();
            setLink(Link::Connected);
        }
        return;
    }
    QModbusReply *reply = m_client->sendReadRequest(m_cycle.at(m_nextRead), m_settings.unit);
    if (!reply) {
        lose(kUnreachable.arg(m_client->errorString()));
        return;
    }
    const quint64 session = m_session;
    if (reply->isFinished()) {
        onRead(reply, session);
        return;
    }
    connect(reply, &QModbusReply::finished, this, [this, reply, session] { onRead(reply, session); });
}

void GateModule::onRead(QModbusReply *reply, quint64 session)
{
    reply->deleteLater();
    if (session != m_session)
        return;
    if (reply->error() != QModbusDevice::NoError) {
        lose(replyError(reply));
        return;
    }
    const QModbusDataUnit unit = reply->result();
    const bool inputs = unit.registerType() == QModbusDataUnit::DiscreteInputs;
    const QMap<QString, int> &points = inputs ? m_settings.inputs : m_settings.coils;
    QMap<QString, bool> &read = inputs ? m_readInputs : m_readCoils;
    for (auto it = points.cbegin(); it != points.cend(); ++it) {
        const int offset = it.value() - unit.startAddress();
        if (offset >= 0 && offset < int(unit.valueCount()))
            read.insert(it.key(), unit.value(offset) != 0);
    }
    ++m_nextRead;
    sendNextRead();
}

void GateModule::setCoil(const QString &key, bool on)
{
    if (!m_settings.coils.contains(key))
        return;
    if (m_wanted.contains(key) && m_wanted.value(key) == on)
        return;
    m_wanted.insert(key, on);
    if (m_client->state() == QModbusDevice::ConnectedState)
        write(key, on);
}

void GateModule::setCoils(const QMap<QString, bool> &states)
{
    for (auto it = states.cbegin(); it != states.cend(); ++it)
        setCoil(it.key(), it.value());
}

bool GateModule::pulseBarrier()
{
    const QString key = QLatin1String(Keys::Sorompo.name);
    if (!m_settings.coils.contains(key) || m_link != Link::Connected)
        return false;
    // A second pulse while one runs only lengthens it.
    m_wanted.insert(key, true);
    write(key, true);
    m_pulseTimer.start();
    return true;
}

void GateModule::endPulse()
{
    const QString key = QLatin1String(Keys::Sorompo.name);
    m_wanted.insert(key, false);
    if (m_client->state() != QModbusDevice::ConnectedState) {
        // Written once the module is back.
        emit pulseFinished(false, m_reason.isEmpty() ? kNoAnswer : m_reason);
        return;
    }
    write(key, false, true);
}

void GateModule::write(const QString &key, bool on, bool endsPulse)
{
    QModbusDataUnit unit(QModbusDataUnit::Coils, m_settings.coils.value(key), 1);
    unit.setValue(0, on ? 1 : 0);
    QModbusReply *reply = m_client->sendWriteRequest(unit, m_settings.unit);
    const quint64 session = m_session;
    const auto done = [this, key, on, endsPulse, session](const QString &error) {
        if (endsPulse)
            emit pulseFinished(error.isEmpty(), error);
        if (!error.isEmpty())
            emit writeFailed(key, error);
        else if (session == m_session && (!m_coils.contains(key) || m_coils.value(key) != on)) {
            m_coils.insert(key, on);
            emit coilChanged(key, on);
        }
    };
    if (!reply) {
        done(kUnreachable.arg(m_client->errorString()));
        return;
    }
    const auto finished = [this, reply, session, done] {
        reply->deleteLater();
        if (reply->error() == QModbusDevice::NoError) {
            done({});
            return;
        }
        const QString error = replyError(reply);
        done(error);
        if (session == m_session && reply->error() == QModbusDevice::TimeoutError)
            lose(error);
    };
    if (reply->isFinished())
        finished();
    else
        connect(reply, &QModbusReply::finished, this, finished);
}
