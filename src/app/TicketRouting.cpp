#include "TicketRouting.h"

#include "OfficeConverter.h"
#include "WordTicket.h"

#include <QFileInfo>

bool TicketRouting::wordProcessorInstalled()
{
    return OfficeConverter::available();
}

bool TicketRouting::filledWordCopyExists(const QString &wordDocument)
{
    return !wordDocument.isEmpty() && QFileInfo::exists(WordTicket::filledCopyPath(wordDocument));
}
