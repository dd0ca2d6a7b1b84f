#include "TicketSettings.h"

#include "Config.h"

TicketSettings TicketSettings::fromConfig(const Config &config, const QStringList &companyLines)
{
    TicketSettings s;
    s.programFolder = config.programFolder();
    s.templateName = config.string(Keys::merlegjegy);
    s.wordDocument = config.string(Keys::winwordfile);
    s.wordDirectPrint = config.boolean(Keys::worddirectprint);
    const qint64 mode = config.integer(Keys::Printmode);
    s.printMode = mode >= 0 && mode <= 4 ? static_cast<PrintMode>(mode) : PrintMode::None;
    s.evelojel = config.boolean(Keys::evelojel);
    s.outtxt = config.boolean(Keys::outtxt);
    s.outbat = config.boolean(Keys::outbat);
    s.be1 = config.string(Keys::be1);
    s.be2 = config.string(Keys::be2);
    s.ki1 = config.string(Keys::ki1);
    s.ki2 = config.string(Keys::ki2);
    s.companyLines = companyLines;
    return s;
}
