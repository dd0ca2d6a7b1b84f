#include "GatePage.h"

#include "Config.h"
#include "GateProbe.h"
#include "IniFile.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

struct Point {
    const ConfigKey *key;
    const char *label;
};

const Point kCoils[] = {{&Keys::BePiros, "Behajtó lámpa piros:"}, {&Keys::BeZold, "Behajtó lámpa zöld:"},
                        {&Keys::KiPiros, "Kihajtó lámpa piros:"}, {&Keys::KiZold, "Kihajtó lámpa zöld:"},
                        {&Keys::Sorompo, "Sorompó:"}};
const Point kInputs[] = {{&Keys::Fenykapu1, "1. fénykapu:"}, {&Keys::Fenykapu2, "2. fénykapu:"}};

QSpinBox *spinBox(const char *name, int low, int high)
{
    auto *box = new QSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setRange(low, high);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return box;
}

} // namespace

GatePage::GatePage(QWidget *parent)
    : QWidget(parent)
    , m_host(new QLineEdit)
    , m_port(spinBox("kapuport", 1, 65535))
    , m_unit(spinBox("kapuunit", 0, 255))
    , m_pulse(spinBox("sorompoido", 100, 60000))
    , m_required(new QCheckBox(QStringLiteral("Mérés csak akkor, ha a jármű teljesen a mérlegen áll (fénykapuk)")))
    , m_probe(new QPushButton(QStringLiteral("Próba")))
    , m_result(new QLabel)
    , m_prober(new GateProbe(this))
{
    setObjectName(QStringLiteral("pKapu"));
    m_host->setObjectName(QStringLiteral("kapuhost"));
    m_host->setPlaceholderText(QStringLiteral("nincs kapuvezérlő"));
    m_pulse->setSuffix(QStringLiteral(" ms"));
    m_pulse->setSingleStep(100);
    m_required->setObjectName(QStringLiteral("fenykapukell"));
    m_probe->setObjectName(QStringLiteral("kapuproba"));
    m_probe->setAutoDefault(false);
    m_result->setObjectName(QStringLiteral("kapuprobaeredmeny"));
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *module = new QGroupBox(QStringLiteral(" Kapuvezérlő (Modbus TCP) "));
    auto *moduleLayout = new QGridLayout(module);
    moduleLayout->addWidget(new QLabel(QStringLiteral("Cím:")), 0, 0);
    moduleLayout->addWidget(m_host, 0, 1, 1, 3);
    moduleLayout->addWidget(new QLabel(QStringLiteral("Port:")), 1, 0);
    moduleLayout->addWidget(m_port, 1, 1);
    moduleLayout->addWidget(new QLabel(QStringLiteral("Egység:")), 1, 2);
    moduleLayout->addWidget(m_unit, 1, 3);

    // Addresses from 0; an empty box is a point the site does not have.
    const auto addressBox = [this](const ConfigKey &key) {
        auto *edit = new QLineEdit;
        edit->setObjectName(QStringLiteral("kapu") + QLatin1String(key.name));
        edit->setValidator(new QIntValidator(0, 65535, edit));
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->setMaximumWidth(70);
        m_points.insert(QLatin1String(key.name), edit);
        return edit;
    };
    auto *points = new QGroupBox(QStringLiteral(" Címek (üres: nincs ilyen) "));
    auto *pointsLayout = new QGridLayout(points);
    int row = 0;
    for (const Point &coil : kCoils) {
        pointsLayout->addWidget(new QLabel(QString::fromUtf8(coil.label)), row / 2, (row % 2) * 2);
        pointsLayout->addWidget(addressBox(*coil.key), row / 2, (row % 2) * 2 + 1);
        ++row;
    }
    pointsLayout->addWidget(new QLabel(QStringLiteral("Nyitási impulzus:")), row / 2, 2);
    pointsLayout->addWidget(m_pulse, row / 2, 3);
    row += 1;
    for (const Point &input : kInputs) {
        pointsLayout->addWidget(new QLabel(QString::fromUtf8(input.label)), row / 2, (row % 2) * 2);
        pointsLayout->addWidget(addressBox(*input.key), row / 2, (row % 2) * 2 + 1);
        ++row;
    }

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(module);
    layout->addWidget(points);
    layout->addWidget(m_required);
    layout->addWidget(m_probe, 0, Qt::AlignLeft);
    layout->addWidget(m_result, 1);

    connect(m_probe, &QPushButton::clicked, this, &GatePage::probe);
    connect(m_prober, &GateProbe::finished, this, [this](bool, const QString &text) {
        m_probe->setEnabled(true);
        m_result->setText(text);
    });
}

GatePage::~GatePage() = default;

void GatePage::load(const Config &config)
{
    const QString section = QLatin1String(Keys::KapuHost.section);
    m_host->setText(config.string(Keys::KapuHost).trimmed());
    m_port->setValue(int(config.integer(Keys::KapuPort)));
    m_unit->setValue(int(config.integer(Keys::KapuUnit)));
    m_pulse->setValue(int(config.integer(Keys::SorompoIdo)));
    m_required->setChecked(config.boolean(Keys::fenykapukell));
    for (auto it = m_points.cbegin(); it != m_points.cend(); ++it)
        it.value()->setText(config.ini().readString(section, it.key(), QString()).trimmed());
    m_result->clear();
}

bool GatePage::save(Config &config) const
{
    bool written = config.setString(Keys::KapuHost, m_host->text().trimmed()) &&
                   config.setInteger(Keys::KapuPort, m_port->value()) &&
                   config.setInteger(Keys::KapuUnit, m_unit->value()) &&
                   config.setInteger(Keys::SorompoIdo, m_pulse->value());
    const auto points = [&](const auto &list) {
        for (const Point &point : list)
            written = written && config.setString(*point.key, m_points.value(QLatin1String(point.key->name))->text());
    };
    points(kCoils);
    points(kInputs);
    return written && config.setBoolean(Keys::fenykapukell, m_required->isChecked());
}

GateSettings GatePage::entered() const
{
    GateSettings settings;
    settings.host = m_host->text().trimmed();
    settings.port = m_port->value();
    settings.unit = m_unit->value();
    settings.pulseMs = m_pulse->value();
    const auto fill = [this](const QStringList &keys, QMap<QString, int> &into) {
        for (const QString &key : keys) {
            bool ok = false;
            const int address = m_points.value(key)->text().toInt(&ok);
            if (ok && address >= 0 && address <= 0xFFFF)
                into.insert(key, address);
        }
    };
    fill(GateSettings::coilKeys(), settings.coils);
    fill(GateSettings::inputKeys(), settings.inputs);
    return settings;
}

bool GatePage::positionRequired() const
{
    return m_required->isChecked();
}

void GatePage::setPositionRequired(bool required)
{
    m_required->setChecked(required);
}

QString GatePage::positionRequiredLabel() const
{
    return m_required->text();
}

void GatePage::setEditable(bool editable)
{
    for (QWidget *w : findChildren<QWidget *>()) {
        if (w != m_probe && w != m_result && (qobject_cast<QLineEdit *>(w) || qobject_cast<QSpinBox *>(w) ||
                                              qobject_cast<QCheckBox *>(w)))
            w->setEnabled(editable);
    }
}

void GatePage::probe()
{
    m_probe->setEnabled(false);
    m_result->setText(QStringLiteral("Kapcsolódás..."));
    m_prober->run(entered());
}
