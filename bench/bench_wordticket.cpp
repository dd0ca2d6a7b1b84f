// How long a word-processor ticket takes from the document to its PDF: the fill of the sample ticket, then
// LibreOffice's conversion with its start included. The first run may also build LibreOffice's profile; the
// figure that counts is the median of the runs after it. Run by hand: bench_wordticket [RUNS] [DOCUMENT].

#include "OfficeConverter.h"
#include "TicketSettings.h"
#include "Transport.h"
#include "WordDocument.h"
#include "WordTicket.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 ? std::max(2, args.at(1).toInt()) : 6;
    const QString sample = args.size() > 2 ? args.at(2) : QStringLiteral(KELVO_WORD_SAMPLE);

    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("merlegjegy.docx"));
    if (!QFile::copy(sample, document)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(sample));
        return 1;
    }
    Transport t;
    t.sorszam = 17;
    t.rendszam = QStringLiteral("ABC-123");
    t.cegnev = QStringLiteral("Kő & Társa Kft.");
    t.termeknev = QStringLiteral("Búza");
    t.suly1 = 41250;
    t.suly2 = 15100;
    t.nettosuly = 26150;
    t.elszamolt = 26150;
    t.bedatum = QDateTime(QDate(2026, 3, 2), QTime(7, 45));
    t.kidatum = QDateTime(QDate(2026, 3, 2), QTime(8, 10));
    TicketSettings settings;

    std::vector<double> fillMs;
    std::vector<double> totalMs;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QString fillError = WordTicket::fill(t, settings, document);
        fillMs.push_back(timer.nsecsElapsed() / 1e6);
        const QString error = fillError.isEmpty()
                                  ? OfficeConverter::convert(WordTicket::filledCopyPath(document),
                                                             dir.filePath(QStringLiteral("out.pdf")))
                                  : fillError;
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        totalMs.push_back(timer.nsecsElapsed() / 1e6);
        std::printf("run %d: fill %.1f ms, to PDF %.0f ms\n", i + 1, fillMs.back(), totalMs.back());
    }
    std::vector<double> warm(totalMs.begin() + 1, totalMs.end());
    std::sort(warm.begin(), warm.end());
    std::sort(fillMs.begin(), fillMs.end());
    std::printf("word ticket to PDF: first %.0f ms, median after it %.0f ms (fill alone %.1f ms)\n", totalMs.front(),
                warm[warm.size() / 2], fillMs[fillMs.size() / 2]);
    return 0;
}
