#include "CupsPrinter.h"

#include <cups/cups.h>

#include <memory>

namespace {

struct DestDeleter {
    void operator()(cups_dest_t *dest) const { cupsFreeDests(1, dest); }
};
using DestPtr = std::unique_ptr<cups_dest_t, DestDeleter>;

// Owns the option array that cupsAddOption grows.
class Options
{
public:
    Options() = default;
    ~Options() { cupsFreeOptions(m_count, m_options); }
    Options(const Options &) = delete;
    Options &operator=(const Options &) = delete;

    void add(const char *name, const char *value) { m_count = cupsAddOption(name, value, m_count, &m_options); }
    int count() const { return m_count; }
    cups_option_t *data() const { return m_options; }

private:
    int m_count = 0;
    cups_option_t *m_options = nullptr;
};

DestPtr namedDest(const QString &printer)
{
    const QByteArray name = printer.toUtf8();
    return DestPtr(cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.isEmpty() ? nullptr : name.constData(), nullptr));
}

QString lastCupsError()
{
    return QString::fromUtf8(cupsLastErrorString());
}

} // namespace

namespace CupsPrinter {

QString defaultPrinter()
{
    const DestPtr dest = namedDest({});
    return dest ? QString::fromUtf8(dest->name) : QString();
}

Job printPdf(const QString &pdfPath, const QString &printer, const QString &title, int copies)
{
    const DestPtr dest = namedDest(printer);
    if (!dest) {
        return {0, printer.isEmpty() ? QStringLiteral("Nincs alapértelmezett nyomtató beállítva.")
                                     : QStringLiteral("A(z) \"%1\" nyomtató nem található.").arg(printer)};
    }
    Options options;
    for (int i = 0; i < dest->num_options; ++i)
        options.add(dest->options[i].name, dest->options[i].value);
    if (copies > 1)
        options.add("copies", QByteArray::number(copies).constData());
    const int id = cupsPrintFile(dest->name, pdfPath.toLocal8Bit().constData(), title.toUtf8().constData(),
                                 options.count(), options.data());
    if (id == 0)
        return {0, lastCupsError()};
    return {id, {}};
}

} // namespace CupsPrinter
