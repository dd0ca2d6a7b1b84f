#include "Commands.h"

#include "CompanyData.h"
#include "Config.h"
#include "Database.h"
#include "HtmlPdfRenderer.h"
#include "IniFile.h"
#include "Invocation.h"
#include "OfficePages.h"
#include "StopSignal.h"
#include "TicketApi.h"
#include "TicketSettings.h"
#include "WebServer.h"
#include "WebhookSender.h"
#include "WebhookSettings.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

namespace {

QByteArray readFile(const QString &path, const char *what)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Refused(QStringLiteral("%1: %2: %3").arg(QLatin1String(what), path, file.errorString()));
    return file.readAll();
}

std::optional<QSslConfiguration> tlsOption(Invocation &call)
{
    const CommandLine &args = call.args();
    const bool cert = args.has(QStringLiteral("--tls-cert"));
    if (cert != args.has(QStringLiteral("--tls-key")))
        throw BadArguments(QStringLiteral("--tls-cert and --tls-key go together"));
    if (!cert)
        return std::nullopt;
    const QSslCertificate certificate(readFile(args.value(QStringLiteral("--tls-cert")), "--tls-cert"), QSsl::Pem);
    if (certificate.isNull())
        throw Refused(QStringLiteral("--tls-cert: no PEM certificate"));
    QSslKey key(readFile(args.value(QStringLiteral("--tls-key")), "--tls-key"), QSsl::Rsa, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(readFile(args.value(QStringLiteral("--tls-key")), "--tls-key"), QSsl::Ec, QSsl::Pem);
    if (key.isNull())
        throw Refused(QStringLiteral("--tls-key: no PEM private key (RSA or EC, unencrypted)"));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificate);
    tls.setPrivateKey(key);
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

std::pair<QHostAddress, quint16> listenOption(Invocation &call)
{
    const QString text = call.args().value(QStringLiteral("--listen"), QStringLiteral("127.0.0.1:8580"));
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const uint port = colon > 0 ? text.mid(colon + 1).toUInt(&ok) : 0;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    const QHostAddress address(host);
    if (!ok || port > 65535 || address.isNull())
        throw BadArguments(QStringLiteral("--listen takes ADDRESS:PORT, e.g. 127.0.0.1:8580"));
    return {address, quint16(port)};
}

} // namespace

int serveCommand(Invocation &call)
{
    const auto [address, port] = listenOption(call);
    const std::optional<QSslConfiguration> tls = tlsOption(call);
    // The start-up checks, and the tables an older file lacks (the users among them), as the window program opens
    // them.
    if (const QString error = Database::openTables(call.database()); !error.isEmpty())
        throw Refused(error);

    const QStringList company =
        CompanyData::load(call.home()).value_or(QStringList{QString::fromUtf8(CompanyData::kNotSetLine)});
    TicketApi::Options api;
    api.ticket = TicketSettings::fromConfig(call.config(), company);
    api.ticket.printMode = PrintMode::None;
    api.pdfProgram = QCoreApplication::applicationFilePath();
    api.pdfCountsAsPrint = call.config().ini().readBool(QStringLiteral("Web"), QStringLiteral("pdfnyomtatas"), false);

    StopSignal stop;
    WebServer server(call.databasePath());
    TicketApi::mount(server, api);
    OfficePages::Options pages;
    pages.api = api;
    pages.daysBack = call.config().integer(Keys::minusznapok);
    pages.minSerial = call.config().string(Keys::minsorszam);
    OfficePages::mount(server, pages);
    if (const QString error = server.start(address, port, tls); !error.isEmpty())
        throw Refused(QStringLiteral("%1:%2: %3").arg(address.toString()).arg(port).arg(error));
    call.out() << "listening " << (tls ? "https://" : "http://")
               << (address.protocol() == QAbstractSocket::IPv6Protocol ? '[' + address.toString() + ']'
                                                                       : address.toString())
               << ':' << server.port() << Qt::endl;

    // The ERP's webhooks leave from the service too, on this thread's connection (the workers have their own).
    WebhookSender webhooks(WebhookSettings::fromConfig(call.config()), call.database());
    webhooks.start();

    QEventLoop loop;
    QObject::connect(&stop, &StopSignal::stopped, &loop, &QEventLoop::quit);
    loop.exec();
    // A webhook on its way is dropped and sent again at the next start. No new connections; the requests in hand
    // finish on their workers, whose connections close with the server.
    webhooks.stop();
    server.stop();
    call.out() << "stopped" << Qt::endl;
    return kDone;
}

int renderPdfCommand(Invocation &call)
{
    const QString html = call.args().operands().first();
    const QString pdf = call.args().value(QStringLiteral("--to"));
    if (const QString error = HtmlPdfRenderer::render(html, pdf); !error.isEmpty())
        throw Refused(error);
    return kDone;
}
