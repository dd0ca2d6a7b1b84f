#include "WeightLink.h"

#include "Config.h"
#include "IndicatorCommands.h"
#include "IniFile.h"
#include "LinkTexts.h"

#include <algorithm>
#include <memory>
#include <utility>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

// A server whose machine is switched off or whose cable is pulled sends no reset: the connection would stay open,
// silent, for hours. Probes after a few idle seconds, and a limit on unacknowledged poll commands, end it within
// about ten seconds, and the retry connects again once the server is back.
void noticeHalfOpenConnection(qintptr descriptor)
{
    const int fd = int(descriptor);
    const int on = 1, idle = 5, interval = 1, count = 3;
    const unsigned int userTimeout = 10000;
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
}

} // namespace

WeightLinkSettings WeightLinkSettings::fromConfig(const Config &config)
{
    WeightLinkSettings s;
    s.decoder.micraorden = config.boolean(Keys::micraorden);
    s.decoder.bilanciai = config.boolean(Keys::bilanciai);
    s.decoder.disomatb = config.boolean(Keys::disomatb);
    s.lekerdez = config.boolean(Keys::lekerdez);
    s.lekerdezparancs = config.string(Keys::lekerdezparancs);
    s.lekerdezido = int(config.integer(Keys::lekerdezido));
    s.nullaz = config.string(Keys::nullaz);
    auto profile = IndicatorProfile::parse(config.string(Keys::Profile));
    if (const auto *error = std::get_if<QString>(&profile))
        s.profileError = *error;
    else
        s.profile = std::get<IndicatorProfile>(profile);
    s.stability.toleranceKg = qint32(std::clamp<qint64>(config.integer(Keys::stabiltures), 0, 999999));
    s.stability.settleMs = std::max<qint64>(config.integer(Keys::stabilido), 0);
    return s;
}

WeightLink::WeightLink(QObject *parent, int watchdogIntervalMs)
    : QObject(parent)
    , m_port(this)
{
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    m_clock = [started] { return started->elapsed(); };
    m_port.OnPortOpen = [this](TComPort &port) {
        m_reopenPending = false;
        setStatus(LinkTexts::portOpened(port.Port()));
    };
    m_port.ReceiveCallBack = [this](const QByteArray &line) { decodeFrame(line); };
    m_port.OnError = [this](TComPort &port) {
        if (port.deviceLost()) {
            m_reopenPending = true;
            m_retry.start();
        }
        // A failed attempt to get a vanished device back changes nothing the operator sees.
        if (m_reopening)
            return;
        setLabel(LinkTexts::kNoWeightLabel, LinkTexts::kHintPortError);
        setStatus(LinkTexts::portError(port.Port()));
        loseWeight();
        // The watchdog waits for the next frame; after a lost device it keeps ticking to try the port again.
        if (!m_reopenPending)
            m_watchdog.stop();
    };

    // A server flooding the line would otherwise hand over all the megabytes the system has buffered in one read,
    // and the window would stop while they are cut into frames; in portions the backlog drains between events.
    m_client.setReadBufferSize(kSocketBufferLimit);
    connect(&m_client, &QTcpSocket::readyRead, this, &WeightLink::socketRead);
    connect(&m_client, &QTcpSocket::errorOccurred, this, &WeightLink::socketError);
    connect(&m_client, &QTcpSocket::disconnected, &m_retry, qOverload<>(&QTimer::start));
    connect(&m_client, &QTcpSocket::connected, this, [this] {
        m_connectLimit.stop();
        noticeHalfOpenConnection(m_client.socketDescriptor());
    });
    m_connectLimit.setSingleShot(true);
    m_connectLimit.setInterval(kConnectTimeout);
    connect(&m_connectLimit, &QTimer::timeout, this, [this] {
        // No answer to the connection request (the server's machine is off, its cable pulled): try afresh instead
        // of waiting minutes for the system's own retries to give up.
        if (m_client.state() == QAbstractSocket::ConnectedState)
            return;
        m_client.abort();
        m_retry.start();
    });
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryInterval);
    connect(&m_retry, &QTimer::timeout, this, &WeightLink::retryTick);
    m_unterminatedGap.setSingleShot(true);
    m_unterminatedGap.setInterval(kUnterminatedGap);
    connect(&m_unterminatedGap, &QTimer::timeout, this, &WeightLink::deliverUnterminated);

    m_watchdog.setInterval(watchdogIntervalMs);
    connect(&m_watchdog, &QTimer::timeout, this, &WeightLink::watchdogTick);
    m_watchdog.start();
    connect(&m_pollTimer, &QTimer::timeout, this, &WeightLink::pollTick);
}

WeightLink::~WeightLink()
{
    // The port's handlers point at this object; no event may reach them while the members go.
    m_port.OnPortOpen = nullptr;
    m_port.OnError = nullptr;
    m_port.ReceiveCallBack = nullptr;
    m_client.disconnect(this);
}

void WeightLink::configure(const WeightLinkSettings &settings)
{
    m_settings = settings;
    m_stability = StabilityMonitor(settings.stability);
    m_pollTimer.setInterval(std::max(settings.lekerdezido, 0));
    // An interval of 0 or less would poll without pause; such a timer does not run.
    if (settings.lekerdez && settings.lekerdezido > 0)
        m_pollTimer.start();
    else
        m_pollTimer.stop();
}

void WeightLink::loadPortSettings(IniFile &ini)
{
    m_port.LoadSettings(&ini, !server().enabled);
}

void WeightLink::applyIndicatorFlags(bool micraorden, bool bilanciai, bool lekerdez)
{
    m_settings.decoder.micraorden = micraorden;
    m_settings.decoder.bilanciai = bilanciai;
    m_settings.lekerdez = lekerdez;
    if (lekerdez && m_settings.lekerdezido > 0)
        m_pollTimer.start();
    else
        m_pollTimer.stop();
    setPollIndicator(lekerdez);
}

void WeightLink::shutdown()
{
    if (m_client.state() != QAbstractSocket::UnconnectedState)
        m_client.abort();
    // The abort's own disconnection must not bring the connection back.
    m_retry.stop();
    m_connectLimit.stop();
}

WeightServer WeightLink::server() const
{
    return m_serverSource ? m_serverSource() : WeightServer{};
}

void WeightLink::setLabel(const QString &text, const QString &hint)
{
    m_labelText = text;
    m_labelHint = hint;
    emit labelChanged(text, hint);
}

void WeightLink::setStatus(const QString &text)
{
    m_statusText = text;
    emit statusTextChanged(text);
}

void WeightLink::setPollIndicator(bool visible)
{
    m_pollIndicatorVisible = visible;
    emit pollIndicatorChanged(visible);
}

void WeightLink::decodeFrame(const QByteArray &frame)
{
    m_weightText.clear();
    m_watchdog.stop();
    emit frameReceived(frame);
    ProfileReading reading;
    if (m_settings.profile.kind() == IndicatorProfile::Kind::Digits) {
        const DecodedFrame decoded = FrameDecoder::decode(frame, m_settings.decoder);
        if (!decoded.ignored) {
            m_weightText = QString::fromLatin1(decoded.weightText);
            reading.weight = decoded.weight;
        }
    } else {
        reading = m_settings.profile.read(frame, m_settings.decoder);
        if (reading.weight) {
            m_weightText = QString::number(*reading.weight);
        } else {
            // Over- or underload, or an error reply: there is no weight to show or to take.
            setLabel(LinkTexts::kNoWeightLabel, LinkTexts::stateText(*reading.state, true));
            m_live = true;
            emit weightLost();
        }
    }
    if (reading.weight) {
        const qint32 weight = *reading.weight;
        setLabel(formatWeight(weight), LinkTexts::kHintWeight);
        m_aktsuly = weight;
        m_live = true;
        if (weight == 0)
            m_nullavolt = true;
        emit weightChanged(weight, QString::number(weight));
    }
    setState(m_stability.offer(reading, m_clock()));
    if (!server().enabled)
        setStatus(LinkTexts::receiving(m_port.Port()));
    m_watchdog.start();
    emit frameDecoded();
}

void WeightLink::zero()
{
    const QByteArray frame = IndicatorCommands::zeroFrame(m_settings.nullaz);
    if (!frame.isEmpty() && m_port.Connected())
        m_port.SendString(frame);
}

void WeightLink::pollTick()
{
    if (!m_settings.lekerdez)
        return;
    setPollIndicator(!m_pollIndicatorVisible);
    if (m_port.Connected())
        m_port.SendString(IndicatorCommands::pollFrame(m_settings.decoder.disomatb, m_settings.lekerdezparancs));
}

QString WeightLink::refusalToTake(bool stableRequired) const
{
    if (!m_live)
        return {};
    switch (m_state) {
    case WeightState::Overload:
        return LinkTexts::kOverload;
    case WeightState::Underload:
        return LinkTexts::kUnderload;
    case WeightState::Error:
        return LinkTexts::kIndicatorError;
    case WeightState::Motion:
        return stableRequired ? LinkTexts::kNotStable : QString();
    case WeightState::Stable:
        break;
    }
    return {};
}

std::optional<qint32> WeightLink::liveWeight() const
{
    if (!m_live)
        return std::nullopt;
    return FrameDecoder::toInt32(m_weightText.toLatin1());
}

void WeightLink::loseWeight()
{
    if (!m_live)
        return;
    m_live = false;
    // A load seen again after the silence must settle again before it counts as stable.
    m_stability.reset();
    m_state = m_stability.state();
    emit weightLost();
    emit stateChanged();
}

void WeightLink::setState(WeightState state)
{
    const bool changed = state != m_state || !m_shownLive;
    m_state = state;
    m_shownLive = m_live;
    if (changed)
        emit stateChanged();
}

void WeightLink::watchdogTick()
{
    // A whole interval without a frame: the last weight is history, whatever the label of server mode shows.
    loseWeight();
    const bool reopened = m_reopenPending;
    if (m_reopenPending)
        reopenQuietly();
    const WeightServer s = server();
    if (s.enabled) {
        if (m_client.state() == QAbstractSocket::UnconnectedState)
            connectClient(s);
        setStatus(LinkTexts::serverPoll(s.host, s.port));
        return;
    }
    // A reopen attempt has set its own texts (or, failing, kept the error texts); silence is judged next tick.
    if (reopened)
        return;
    setLabel(LinkTexts::kNoWeightLabel, LinkTexts::kHintNoData);
    setStatus(LinkTexts::noData(m_port.Port()));
}

void WeightLink::retryTick()
{
    if (m_reopenPending)
        reopenQuietly();
    const WeightServer s = server();
    if (s.enabled && m_client.state() == QAbstractSocket::UnconnectedState) {
        connectClient(s);
        setStatus(LinkTexts::serverPoll(s.host, s.port));
    }
}

void WeightLink::reopenQuietly()
{
    m_reopening = true;
    m_port.Close();
    m_port.Open();
    m_reopening = false;
}

void WeightLink::connectClient(const WeightServer &server)
{
    if (m_client.state() != QAbstractSocket::UnconnectedState)
        m_client.abort();
    m_socketBuffer.clear();
    m_terminatorSeen = false;
    m_unterminatedGap.stop();
    bool ok = false;
    const uint port = server.port.trimmed().toUInt(&ok);
    // A port text that is no port number cannot be connected to; the panel keeps telling what is configured.
    if (!ok || port > 65535)
        return;
    m_client.connectToHost(server.host, quint16(port));
    m_connectLimit.start();
}

void WeightLink::socketRead()
{
    m_socketBuffer += m_client.readAll();
    if (m_socketBuffer.isEmpty())
        return;
    // Frames are cut at the line terminator as on the serial line.
    const QByteArray &terminator = m_port.terminatorBytes();
    QList<QByteArray> frames;
    qsizetype start = 0;
    for (;;) {
        const qsizetype at = m_socketBuffer.indexOf(terminator, start);
        if (at < 0)
            break;
        const qsizetype end = at + terminator.size();
        frames.append(m_socketBuffer.mid(start, end - start));
        start = end;
    }
    m_socketBuffer.remove(0, start);
    if (!frames.isEmpty())
        m_terminatorSeen = true;
    // A stream without terminators must not grow the buffer without end: the oldest bytes go.
    if (m_socketBuffer.size() > kSocketBufferLimit)
        m_socketBuffer.remove(0, m_socketBuffer.size() - kSocketBufferLimit);
    // The network may split a frame anywhere; reading a piece as a weight of its own would show (and let a weighing
    // take) a wrong weight. So the rest waits for its terminator; only a server that has ended no frame with one
    // gets its bytes read as one frame per burst.
    if (!m_socketBuffer.isEmpty() && !m_terminatorSeen)
        m_unterminatedGap.start();
    else
        m_unterminatedGap.stop();
    for (const QByteArray &frame : std::as_const(frames))
        decodeFrame(frame);
}

void WeightLink::deliverUnterminated()
{
    if (m_terminatorSeen || m_socketBuffer.isEmpty())
        return;
    decodeFrame(std::exchange(m_socketBuffer, QByteArray()));
}

void WeightLink::socketError(QAbstractSocket::SocketError error)
{
    m_retry.start();
    // The server ending the connection is no error: the retry connects again.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    setStatus(LinkTexts::clientError(socketErrorCode(error)));
    if (m_client.state() != QAbstractSocket::UnconnectedState)
        m_client.abort();
}

int WeightLink::socketErrorCode(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::RemoteHostClosedError: return 10054;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::SocketResourceError: return 10055;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::NetworkError: return 10065;
    case QAbstractSocket::AddressInUseError: return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError: return 10049;
    case QAbstractSocket::UnsupportedSocketOperationError: return 10045;
    default: return 10022; // no closer Windows socket error
    }
}
