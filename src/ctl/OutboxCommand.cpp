#include "Commands.h"

#include "Config.h"
#include "Invocation.h"
#include "LiveLink.h"
#include "OutboxQueue.h"
#include "StopSignal.h"
#include "WebhookSender.h"

#include <QEventLoop>
#include <QTimer>

namespace {

// One line per URL: URL;WAITING;ID;EVENT;SERIAL;TIME;NEXT TRY;LAST ERROR. The error comes last, as it may hold
// anything; fields not known are empty.
QString line(const OutboxQueue::Waiting &w)
{
    QStringList fields{w.target.url, QString::number(w.count)};
    if (w.oldest)
        fields << QString::number(w.oldest->id) << w.oldest->event << QString::number(w.oldest->serial)
               << w.oldest->time;
    else
        fields << QString() << QString() << QString() << QString();
    QString error = w.target.error;
    error.replace(QLatin1Char('\n'), QLatin1Char(' '));
    fields << (w.target.failures > 0 ? w.target.nextTry : QString()) << error;
    return fields.join(QLatin1Char(';'));
}

// The sender without the office service, until SIGTERM or SIGINT (or --for): one line per event taken on standard
// output, one per failure on standard error.
int deliver(Invocation &call, const WebhookSettings &settings)
{
    const int ms = LiveLink::forOption(call);
    StopSignal stop;
    WebhookSender sender(settings, call.database());
    QObject::connect(&sender, &WebhookSender::delivered, &sender, [&call](const QString &url, qint64 id) {
        call.out() << url << ';' << id << Qt::endl;
    });
    QObject::connect(&sender, &WebhookSender::failed, &sender,
                     [&call](const QString &url, qint64 id, const QString &error) {
                         call.err() << url << ';' << id << ';' << error << Qt::endl;
                     });
    QEventLoop loop;
    QObject::connect(&stop, &StopSignal::stopped, &loop, &QEventLoop::quit);
    QTimer end;
    end.setSingleShot(true);
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (ms > 0)
        end.start(ms);
    sender.start();
    loop.exec();
    sender.stop();
    return kDone;
}

} // namespace

int outboxCommand(Invocation &call)
{
    const WebhookSettings settings = WebhookSettings::fromConfig(call.config());
    const QString none = QStringLiteral("Nincs webhook beállítva ([Web] webhook).");
    if (call.args().has(QStringLiteral("--deliver"))) {
        // A service with nothing to deliver to would run idle for ever.
        if (settings.urls.isEmpty())
            throw Refused(none);
        return deliver(call, settings);
    }
    if (settings.urls.isEmpty()) {
        call.out() << none << '\n';
        return kDone;
    }
    const QSqlDatabase db = call.database();
    for (const QString &url : settings.urls)
        call.out() << line(OutboxQueue::waiting(db, url)) << '\n';
    return kDone;
}
