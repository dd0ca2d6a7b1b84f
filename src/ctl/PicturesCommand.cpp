#include "Commands.h"

#include "Invocation.h"
#include "Pictures.h"
#include "Sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// The files written so far: removed again unless the whole ticket was written, so a failure leaves no part of it.
class WrittenFiles
{
public:
    WrittenFiles() = default;
    ~WrittenFiles()
    {
        for (const QString &path : std::as_const(m_paths))
            QFile::remove(path);
    }
    WrittenFiles(const WrittenFiles &) = delete;
    WrittenFiles &operator=(const WrittenFiles &) = delete;

    void add(const QString &path) { m_paths.append(path); }
    void keep() { m_paths.clear(); }

private:
    QStringList m_paths;
};

} // namespace

// Every picture of a finished ticket into a folder as SERIAL-W-C.jpg (weighing, camera); a line per file written
// and per missing picture with its reason.
int picturesCommand(Invocation &call)
{
    const QString serialText = call.args().operands().first();
    bool ok = false;
    const qint64 serial = serialText.toLongLong(&ok);
    if (!ok || serial <= 0)
        throw BadArguments(QStringLiteral("SERIAL must be a positive whole number, not \"%1\"").arg(serialText));
    const QString folder = call.args().required(QStringLiteral("--to"));

    const QSqlDatabase db = call.database();
    if (Sql::value(db, QStringLiteral("SELECT count(*) FROM szallitasok WHERE sorszam = :s"), {{":s", serial}})
            .toLongLong() == 0)
        throw Refused(QStringLiteral("Az adott sorszámú szállítólevél nem található !"));
    const QFileInfo target(folder);
    if (!target.isDir() || !target.isWritable())
        throw Refused(QStringLiteral("A(z) %1 mappába nem lehet írni.").arg(folder));

    const QList<Pictures::Picture> pictures = Pictures::ofSerial(db, serial);
    const QDir dir(target.absoluteFilePath());
    WrittenFiles written;
    QStringList lines;
    for (const Pictures::Picture &p : pictures) {
        const QString name = QStringLiteral("%1-%2-%3").arg(serial).arg(p.weighing).arg(p.camera);
        if (!p.present()) {
            lines.append(QStringLiteral("%1: hiányzik: %2").arg(name, p.missing));
            continue;
        }
        const QString path = dir.filePath(name + QStringLiteral(".jpg"));
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(p.jpeg) != p.jpeg.size() || !file.commit())
            throw Refused(QStringLiteral("%1: %2").arg(path, file.errorString()));
        written.add(path);
        lines.append(path);
    }
    written.keep();
    for (const QString &line : std::as_const(lines))
        call.out() << line << '\n';
    return kDone;
}
