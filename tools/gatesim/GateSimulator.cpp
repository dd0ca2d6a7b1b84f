#include "GateSimulator.h"

#include <QHostAddress>
#include <QModbusDataUnitMap>
#include <QModbusTcpServer>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

namespace {

constexpr int kTableSize = 64;
constexpr int kTruckStepMs = 50;

int tableSize(const QMap<QString, int> &points)
{
    int size = kTableSize;
    for (const int address : points)
        size = std::max(size, address + 1);
    return std::min(size, 65536);
}

} // namespace

GateSimulator::GateSimulator(GateSimOptions options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_server(new QModbusTcpServer(this))
{
    QModbusDataUnitMap map;
    map.insert(QModbusDataUnit::Coils, QModbusDataUnit(QModbusDataUnit::Coils, 0, tableSize(m_options.coils)));
    map.insert(QModbusDataUnit::DiscreteInputs,
               QModbusDataUnit(QModbusDataUnit::DiscreteInputs, 0, tableSize(m_options.inputs)));
    m_server->setMap(map);
    m_server->setServerAddress(m_options.unit);
    connect(m_server, &QModbusServer::dataWritten, this,
            [this](QModbusDataUnit::RegisterType table, int address, int size) { onWritten(table, address, size); });

    if (m_options.truckKg > 0) {
        m_truck = WeightProfile::truck(m_options.truckKg);
        m_truckClock.start();
        m_truckTimer.setInterval(kTruckStepMs);
        connect(&m_truckTimer, &QTimer::timeout, this, &GateSimulator::followTruck);
        m_truckTimer.start();
    }
}

GateSimulator::~GateSimulator()
{
    m_server->disconnectDevice();
}

bool GateSimulator::listen(QString *error)
{
    // The Modbus server does not tell which port it was given, so a free one is found first; another program may
    // take it in between, hence the few tries.
    for (int attempt = 0; attempt < 5; ++attempt) {
        quint16 port = quint16(m_options.port);
        if (port == 0) {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 0)) {
                *error = probe.errorString();
                return false;
            }
            port = probe.serverPort();
        }
        m_server->setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
        m_server->setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
        if (m_server->connectDevice()) {
            m_port = port;
            setSilent(m_options.silent);
            return true;
        }
        *error = m_server->errorString();
        if (m_options.port != 0)
            return false;
    }
    return false;
}

void GateSimulator::setSilent(bool silent)
{
    // Stopped, requests arrive and go unanswered and the connections stay open, as behind a pulled cable or in a
    // hung module: the server's listening and client sockets keep their data but tell the server nothing.
    for (QAbstractSocket *socket : m_server->findChildren<QAbstractSocket *>())
        socket->blockSignals(silent);
    for (QTcpServer *listener : m_server->findChildren<QTcpServer *>())
        listener->blockSignals(silent);
}

QString GateSimulator::command(const QString &line)
{
    const QStringList words = line.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    if (words.size() == 1 && (words[0] == u"stop" || words[0] == u"start")) {
        setSilent(words[0] == u"stop");
        return {};
    }
    if (words.size() == 2 && (words[1] == u"on" || words[1] == u"off")) {
        bool isNumber = false;
        int address = words[0].toInt(&isNumber);
        if (!isNumber)
            address = m_options.inputs.value(words[0], -1);
        if (address >= 0 && address < tableSize(m_options.inputs)) {
            setInput(address, words[1] == u"on");
            return {};
        }
    }
    return QStringLiteral("unknown command: %1").arg(line.trimmed());
}

void GateSimulator::setInput(int address, bool on)
{
    quint16 was = 0;
    m_server->data(QModbusDataUnit::DiscreteInputs, quint16(address), &was);
    if ((was != 0) == on)
        return;
    m_server->setData(QModbusDataUnit::DiscreteInputs, quint16(address), on ? 1 : 0);
    const QString name = m_options.inputs.key(address, QString::number(address));
    emit inputChanged(name, on);
}

void GateSimulator::onWritten(int table, int address, int size)
{
    if (table != QModbusDataUnit::Coils)
        return;
    for (int a = address; a < address + size; ++a) {
        quint16 value = 0;
        if (!m_server->data(QModbusDataUnit::Coils, quint16(a), &value))
            continue;
        const bool on = value != 0;
        if (m_coils.value(a, false) == on)
            continue;
        m_coils.insert(a, on);
        emit coilChanged(coilName(a), on);
    }
}

QString GateSimulator::coilName(int address) const
{
    return m_options.coils.key(address, QString::number(address));
}

void GateSimulator::followTruck()
{
    // Driving on: the weight rises and the truck's rear still crosses the entry barrier; driving off, its front
    // crosses the exit barrier. Standing wholly on the bridge, or gone, it interrupts neither.
    const qint64 t = m_truckClock.elapsed();
    const qint32 now = m_truck.weightAt(t);
    const qint32 next = m_truck.weightAt(t + kTruckStepMs);
    const bool moving = now > 0 && now < m_options.truckKg;
    const int entry = m_options.inputs.value(QStringLiteral("Fenykapu1"), -1);
    const int exit = m_options.inputs.value(QStringLiteral("Fenykapu2"), -1);
    if (entry >= 0)
        setInput(entry, moving && next >= now);
    if (exit >= 0)
        setInput(exit, moving && next < now);
}
