#include "AutoTable.h"
#include "Finishing.h"
#include "FirstWeighing.h"
#include "InProgress.h"
#include "Pictures.h"
#include "Trail.h"
#include "WeighingFixture.h"

#include <QBuffer>
#include <QImage>

namespace {

const QDateTime kIn(QDate(2026, 12, 8), QTime(7, 0, 0));
const QDateTime kOut(QDate(2026, 12, 8), QTime(8, 15, 30));
const QString kPlate = QStringLiteral("ABC-123");

// A small real JPEG, different for each colour.
QByteArray jpeg(Qt::GlobalColor color)
{
    QImage image(16, 12, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

Pictures::Shot shot(int camera, const QByteArray &bytes, const QString &missing = {})
{
    return {camera, QStringLiteral("kamera %1").arg(camera), bytes, missing, kIn};
}

FirstWeighing::Outcome first(const QSqlDatabase &db, const Pictures::Shots &shots, const QString &weight = "24360",
                             OverwriteAnswer answer = OverwriteAnswer::Current)
{
    FirstWeighing::Input in;
    in.rendszam = kPlate;
    in.nev = QStringLiteral("Agro Kft.");
    in.ugyfelnev = QStringLiteral("Malom Zrt.");
    in.termeknev = QStringLiteral("Búza");
    in.suly1 = weight;
    in.pictures = shots;
    return FirstWeighing::record(db, in, 999999, [answer] { return answer; }, kIn);
}

Finishing::Outcome finish(const QSqlDatabase &db, const Pictures::Shots &shots)
{
    Finishing::Input in;
    in.rendszam = kPlate;
    in.suly2 = QStringLiteral("11220");
    in.raktar = QStringLiteral("Fő raktár");
    in.pictures = shots;
    return Finishing::finish(db, in, {kPlate}, 999999, [](const QString &) { return true; }, kOut);
}

// "weighing/camera" of each picture, in the order read.
QStringList places(const QList<Pictures::Picture> &pictures)
{
    QStringList list;
    for (const Pictures::Picture &p : pictures)
        list.append(QStringLiteral("%1/%2").arg(p.weighing).arg(p.camera));
    return list;
}

QString finding(int weighing, int camera, const char *what)
{
    return QStringLiteral("A(z) 1 sorszámú jegy %1. mérésének %2. kamerás képe %3.")
        .arg(weighing)
        .arg(camera)
        .arg(QString::fromUtf8(what));
}

constexpr char kDiffers[] = "eltér a naplóban rögzítettől (megváltoztatták vagy felcserélték)";
constexpr char kGone[] = "hiányzik (a naplózás óta törölték vagy áthelyezték)";
constexpr char kUntrailed[] = "nem szerepel a naplóban";

} // namespace

// The cameras' pictures go with the weighing they show, in its transaction, and the trail holds them once the
// ticket is finished.
class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void firstWeighingPicturesMoveToTheTicket()
    {
        WeighingFixture f;
        const QByteArray red = jpeg(Qt::red), blue = jpeg(Qt::blue);
        QVERIFY(!red.isEmpty() && red != blue);

        // A shot the weighing cannot store takes the weighing with it.
        QVERIFY_THROWS_EXCEPTION(DatabaseError, first(f.db(), {shot(5, red)}));
        QCOMPARE(f.count("folyamatban"), qint64(0));
        QCOMPARE(f.count("kepek"), qint64(0));

        QCOMPARE(first(f.db(), {shot(1, red), shot(2, {}, QStringLiteral("időtúllépés"))}).status,
                 FirstWeighing::Outcome::Status::Saved);
        const qint64 rowId = InProgress::find(f.db(), kPlate)->rowId;
        QCOMPARE(Pictures::countOfInProgress(f.db(), rowId), qint64(2));
        const QList<Pictures::Picture> held = Pictures::ofInProgress(f.db(), rowId);
        QCOMPARE(places(held), QStringList({"1/1", "1/2"}));
        QCOMPARE(held.at(0).jpeg, red);
        QCOMPARE(held.at(0).sha256, Pictures::sha256(red));
        QCOMPARE(held.at(0).name, QStringLiteral("kamera 1"));
        QCOMPARE(held.at(0).at, kIn);
        QVERIFY(held.at(1).jpeg.isEmpty());
        QCOMPARE(held.at(1).missing, QStringLiteral("időtúllépés"));

        const Finishing::Outcome out = finish(f.db(), {shot(1, blue)});
        QCOMPARE(out.status, Finishing::Outcome::Status::Saved);
        QCOMPARE(Pictures::countOfInProgress(f.db(), rowId), qint64(0));
        QCOMPARE(Pictures::countOfSerial(f.db(), out.sorszam), qint64(3));
        const QList<Pictures::Picture> ticket = Pictures::ofSerial(f.db(), out.sorszam);
        QCOMPARE(places(ticket), QStringList({"1/1", "1/2", "2/1"}));
        QCOMPARE(ticket.at(0).jpeg, red);
        QCOMPARE(ticket.at(2).jpeg, blue);
        QVERIFY(Pictures::ofSerial(f.db(), out.sorszam, false).at(0).jpeg.isEmpty());

        // One trail row per picture, and the chain holds them.
        QStringList trailed;
        for (const Trail::Row &row : Trail::ofSerial(f.db(), out.sorszam)) {
            QCOMPARE(row.esemeny, QString::fromUtf8(Trail::kPicture));
            trailed.append(row.uj);
        }
        QCOMPARE(trailed, QStringList({"meres=1; kamera=1; sha256=" + Pictures::sha256(red),
                                       "meres=1; kamera=2; hiany=időtúllépés",
                                       "meres=2; kamera=1; sha256=" + Pictures::sha256(blue)}));
        const Trail::Verdict verdict = Trail::verify(f.db());
        QVERIFY(verdict.ok());
        QCOMPARE(verdict.message, QStringLiteral("A napló rendben: 3 sor."));

        // The unattended logger's row keeps its pictures too, outside the trail.
        const qint64 logged = AutoTable::append(f.db(), kOut, 14220, {shot(3, red)});
        QCOMPARE(places(Pictures::ofAuto(f.db(), logged)), QStringList({"1/3"}));
        QCOMPARE(Pictures::ofAuto(f.db(), logged).at(0).jpeg, red);
        QCOMPARE(f.count("naplo"), qint64(3));
    }

    // What becomes of an in-progress row's pictures (cameras 1 and 2) when the row changes; the change brings
    // camera 3's picture where it takes one.
    void inProgressChangesKeepOrReplace_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("overwritten with the weight now") << "current" << QStringList{"1/3"};
        QTest::newRow("overwritten keeping the earlier weight") << "previous" << QStringList{"1/1", "1/2"};
        QTest::newRow("reweighed with pictures") << "reweigh" << QStringList{"1/3"};
        QTest::newRow("reweighed without pictures") << "reweigh bare" << QStringList{};
        QTest::newRow("direction swapped") << "swap" << QStringList{"1/1", "1/2"};
        QTest::newRow("deleted") << "remove" << QStringList{};
        QTest::newRow("all deleted") << "remove all" << QStringList{};
    }
    void inProgressChangesKeepOrReplace()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, left);
        WeighingFixture f;
        QCOMPARE(first(f.db(), {shot(1, jpeg(Qt::red)), shot(2, jpeg(Qt::green))}).status,
                 FirstWeighing::Outcome::Status::Saved);
        const InProgress::Row seen = *InProgress::find(f.db(), kPlate);
        const Pictures::Shots third{shot(3, jpeg(Qt::blue))};
        if (change == u"current" || change == u"previous") {
            const auto answer = change == u"current" ? OverwriteAnswer::Current : OverwriteAnswer::Previous;
            QCOMPARE(first(f.db(), third, QStringLiteral("25000"), answer).status, FirstWeighing::Outcome::Status::Saved);
        } else if (change == u"reweigh") {
            QVERIFY(InProgress::reweigh(f.db(), seen, 25000, third));
        } else if (change == u"reweigh bare") {
            QVERIFY(InProgress::reweigh(f.db(), seen, 25000));
        } else if (change == u"swap") {
            QVERIFY(InProgress::swapDirection(f.db(), seen));
        } else if (change == u"remove") {
            QVERIFY(InProgress::remove(f.db(), seen));
        } else {
            QVERIFY(InProgress::removeAll(f.db(), {seen}));
        }
        QCOMPARE(places(Pictures::ofInProgress(f.db(), seen.rowId)), left);
        QCOMPARE(f.count("kepek"), qint64(left.size()));
    }

    // verify-trail names a finished ticket's picture changed, swapped, moved or deleted after it was trailed.
    void verifyFindsTamperedPictures_data()
    {
        QTest::addColumn<QString>("tamper");
        QTest::addColumn<QStringList>("findings");
        QTest::newRow("bytes and hash replaced")
            << "UPDATE kepek SET kep = (SELECT kep FROM kepek WHERE meres = 2), "
               "hash = (SELECT hash FROM kepek WHERE meres = 2) WHERE meres = 1 AND kamera = 1"
            << QStringList{finding(1, 1, kDiffers)};
        QTest::newRow("two cameras swapped")
            << "UPDATE kepek SET kamera = 9 WHERE meres = 1 AND kamera = 1;"
               "UPDATE kepek SET kamera = 1 WHERE meres = 1 AND kamera = 2;"
               "UPDATE kepek SET kamera = 2 WHERE meres = 1 AND kamera = 9"
            << QStringList{finding(1, 1, kDiffers), finding(1, 2, kDiffers)};
        QTest::newRow("moved to another weighing")
            << "UPDATE kepek SET meres = 2, kamera = 2 WHERE meres = 1 AND kamera = 2"
            << QStringList{finding(1, 2, kGone), finding(2, 2, kUntrailed)};
        QTest::newRow("moved to another serial") << "UPDATE kepek SET sorszam = 2 WHERE meres = 2"
                                                 << QStringList{finding(2, 1, kGone),
                                                                QStringLiteral("A(z) 2 sorszámú jegy 2. mérésének 1. "
                                                                               "kamerás képe %1.")
                                                                    .arg(QString::fromUtf8(kUntrailed))};
        QTest::newRow("deleted") << "DELETE FROM kepek WHERE meres = 1 AND kamera = 2"
                                 << QStringList{finding(1, 2, kGone)};
    }
    void verifyFindsTamperedPictures()
    {
        QFETCH(QString, tamper);
        QFETCH(QStringList, findings);
        WeighingFixture f;
        QCOMPARE(first(f.db(), {shot(1, jpeg(Qt::red)), shot(2, jpeg(Qt::green))}).status,
                 FirstWeighing::Outcome::Status::Saved);
        QCOMPARE(finish(f.db(), {shot(1, jpeg(Qt::blue))}).sorszam, qint64(1));
        QVERIFY(Trail::verify(f.db()).ok());

        for (const QString &sql : tamper.split(QLatin1Char(';')))
            Sql::run(f.db(), sql);
        const Trail::Verdict verdict = Trail::verify(f.db());
        QVERIFY(!verdict.ok());
        QCOMPARE(verdict.brokenAt, qint64(0)); // the chain itself holds
        QCOMPARE(verdict.pictureFindings, findings);
        QCOMPARE(verdict.message, findings.join(QLatin1Char('\n')));
    }
};

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_pictures.moc"
