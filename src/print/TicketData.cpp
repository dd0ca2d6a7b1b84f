#include "TicketData.h"

#include "Seged.h"
#include "TicketMessages.h"
#include "Transport.h"

#include <QSaveFile>
#include <QVariant>

namespace {

QString oneLine(QString value)
{
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

QVariant dateTimeValue(const QDateTime &value)
{
    return value.isValid() ? QVariant(value) : QVariant();
}

} // namespace

namespace TicketData {

QByteArray text(const Transport &t)
{
    const std::pair<const char *, QVariant> fields[] = {
        {"sorszam", t.sorszam},
        {"rendszam", t.rendszam},
        {"cegnev", t.cegnev},
        {"cim1", t.cim1},
        {"cim2", t.cim2},
        {"cim3", t.cim3},
        {"ugyfelnev", t.ugyfelnev},
        {"ugyfelcim1", t.ugyfelcim1},
        {"ugyfelcim2", t.ugyfelcim2},
        {"ugyfelcim3", t.ugyfelcim3},
        {"termeknev", t.termeknev},
        {"termekkod", t.termekkod},
        {"kiszereles", t.kiszereles},
        {"irany", t.irany},
        {"suly1", t.suly1},
        {"suly2", t.suly2},
        {"bedatum", dateTimeValue(t.bedatum)},
        {"kidatum", dateTimeValue(t.kidatum)},
        {"nettosuly", t.nettosuly},
        {"levontsuly", t.levontsuly},
        {"elszamolt", t.elszamolt},
        {"tisztasag", t.tisztasag},
        {"viztartalom", t.viztartalom},
        {"elvartviz", t.elvartviz},
        {"egysegar", t.egysegar},
        {"osszeg", t.osszeg},
        {"megjegyzes", t.megjegyzes},
        {"ugyirat", t.ugyirat},
        {"raktar", t.raktar},
        {"felhasznalo", t.felhasznalo},
        {"tablanev", t.tablanev},
        {"parcella", t.parcella},
        {"tablasorszam", t.tablasorszam},
        {"ervenyes", t.ervenyes},
        {"modositott", t.modositott},
        {"kezi", t.kezi},
        {"jelolt", t.jelolt},
    };
    QByteArray out = "[merlegjegy]\r\n";
    for (const auto &[name, value] : fields)
        out += QByteArray(name) + '=' + oneLine(ertekszoveg(value)).toUtf8() + "\r\n";
    return out;
}

} // namespace TicketData

QString WriteTicketData(const QString &filePath, const Transport &transport)
{
    // Written whole or not at all, so a reader never picks up half a ticket; flush() first, as commit() does not
    // report a buffered write that fails.
    QSaveFile file(filePath);
    const QByteArray bytes = TicketData::text(transport);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() || !file.commit())
        return QString::fromUtf8(TicketMessages::kTicketDataWriteError);
    return {};
}
