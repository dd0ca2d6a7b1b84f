// The printed transport list of ROWS finished transports (default 10,000) from the search statement to a PDF file:
// reading the rows, laying out the pages and drawing every page. Run by hand: bench_reports [ROWS]. Prints the median
// over a few runs.

#include "BenchTickets.h"
#include "Database.h"
#include "ListReports.h"
#include "PagedDocument.h"
#include "Schema.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 10000;
    QTemporaryDir dir;
    const QString datapath = dir.filePath(QStringLiteral("kelvo.mdb"));
    if (const QString error = Schema::createDatabase(datapath); !error.isEmpty()) {
        std::fprintf(stderr, "bench_reports: %s\n", qPrintable(error));
        return 1;
    }
    Database database(datapath);
    if (const QString error = database.open(); !error.isEmpty()) {
        std::fprintf(stderr, "bench_reports: %s\n", qPrintable(error));
        return 1;
    }
    const QSqlDatabase db = database.db();
    fillTickets(db, rows);

    TransportSearch::Filter filter;
    filter.ignoreDates = true;
    const auto statement = std::get<TransportSearch::Statement>(TransportSearch::build(db, filter));
    const ListReports::Heading heading{{QStringLiteral("Mérleg Kft"), QStringLiteral("1111 Budapest")}, {}};
    QList<double> times;
    QList<double> readTimes;
    // The processor time too: on a busy machine the wall clock mostly measures the other programs.
    QList<double> cpuTimes;
    int pages = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        const std::clock_t cpu = std::clock();
        const auto report = ListReports::transports(db, statement, QStringLiteral("<mindegy>"), heading);
        readTimes.append(clock.nsecsElapsed() / 1e6);
        if (const QString error = PagedDocuments::writePdf(*report, dir.filePath(QStringLiteral("lista.pdf")));
            !error.isEmpty()) {
            std::fprintf(stderr, "bench_reports: %s\n", qPrintable(error));
            return 1;
        }
        pages = report->pageCount();
        times.append(clock.nsecsElapsed() / 1e6);
        cpuTimes.append(double(std::clock() - cpu) * 1000 / CLOCKS_PER_SEC);
    }
    std::sort(times.begin(), times.end());
    std::sort(readTimes.begin(), readTimes.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    std::printf("transport list of %lld rows (%d pages) to PDF: median %.0f ms (processor time %.0f ms), of it "
                "reading and laying out %.0f ms\n",
                rows, pages, times.at(times.size() / 2), cpuTimes.at(cpuTimes.size() / 2),
                readTimes.at(readTimes.size() / 2));
    return 0;
}
