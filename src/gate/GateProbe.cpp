#include "GateProbe.h"

#include "GateModule.h"

#include <QStringList>

namespace {

constexpr char kNoModule[] = "Nincs megadva a kapuvezérlő címe.";
constexpr char kNoAnswerWithin[] = "A kapuvezérlő nem válaszolt %1 másodpercen belül.";
constexpr char kAnswered[] = "A kapuvezérlő válaszol.";

} // namespace

GateProbe::GateProbe(QObject *parent)
    : QObject(parent)
{
    m_limit.setParent(this);
    m_limit.setSingleShot(true);
    m_limit.setInterval(kLimitMs);
    connect(&m_limit, &QTimer::timeout, this,
            [this] { finish(false, QString::fromUtf8(kNoAnswerWithin).arg(kLimitMs / 1000)); });
}

GateProbe::~GateProbe() = default;

void GateProbe::run(const GateSettings &settings)
{
    m_module.reset();
    if (!settings.hasModule()) {
        m_limit.stop();
        emit finished(false, QString::fromUtf8(kNoModule));
        return;
    }
    m_module = std::make_unique<GateModule>(settings);
    connect(m_module.get(), &GateModule::linkChanged, this, [this](GateModule::Link link, const QString &reason) {
        if (link == GateModule::Link::Lost) {
            // The client tells the socket closed before it tells why: the reason is read once both have come.
            Q_UNUSED(reason);
            GateModule *module = m_module.get();
            QTimer::singleShot(0, module, [this, module] {
                if (m_module.get() == module)
                    finish(false, module->reason());
            });
            return;
        }
        if (link != GateModule::Link::Connected)
            return;
        // One line for the inputs and one for the coils: the answer fits beside the settings it tests.
        QStringList lines{QString::fromUtf8(kAnswered)};
        const auto list = [&lines](const char *title, const QStringList &keys, const QMap<QString, bool> &states) {
            QStringList points;
            for (const QString &key : keys) {
                if (states.contains(key))
                    points.append(key + (states.value(key) ? QStringLiteral(" be") : QStringLiteral(" ki")));
            }
            if (!points.isEmpty())
                lines.append(QString::fromUtf8(title) + points.join(QStringLiteral(", ")));
        };
        list("Bemenetek: ", GateSettings::inputKeys(), m_module->inputs());
        list("Kimenetek: ", GateSettings::coilKeys(), m_module->coils());
        finish(true, lines.join(QLatin1Char('\n')));
    });
    m_limit.start();
    m_module->start();
}

void GateProbe::finish(bool ok, const QString &text)
{
    m_limit.stop();
    // Not from inside the module's own signal: it goes once its call has returned.
    if (m_module) {
        m_module->disconnect(this);
        m_module.release()->deleteLater();
    }
    emit finished(ok, text);
}
