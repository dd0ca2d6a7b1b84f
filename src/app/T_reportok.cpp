#include "T_reportok.h"

#include <QPrinter>

#include <stdexcept>

T_reportok::T_reportok(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("_reportok"));
    const QPrinter printer(QPrinter::HighResolution);
    if (!printer.isValid())
        throw std::runtime_error("no usable printer driver");
}
