#include "KelvoWindows.h"

#include "MessageBoxes.h"

#include "T_adatbazisok.h"
#include "T_previewform.h"
#include "T_reportok.h"
#include "TFoform.h"
#include "TSetportForm.h"
#include "TSzallitasokform.h"
#include "TTerminal.h"
#include "Tautomeresek.h"
#include "Tautomeresform.h"
#include "Tbeallitasok.h"
#include "Tbefejezesform.h"
#include "Tewcform.h"
#include "Tjelszoform.h"
#include "Tkeszletform.h"
#include "Tkezdesform.h"
#include "Tlogoform.h"
#include "Tmodosit.h"
#include "Tnyomtatasismetel.h"
#include "Tokform.h"
#include "Tprnform.h"

#include <QComboBox>

#include <exception>

namespace {

constexpr char kPrinterDriverCaption[] = "Nyomtató hiba";
constexpr char kPrinterDriverMessage[] = "Nem tölthető be érvényes nyomtató-meghajtó driver.";

} // namespace

KelvoWindows::KelvoWindows() = default;

KelvoWindows::~KelvoWindows()
{
    // Windows go before the database they show.
    m_adatbazisok.reset();
    m_Foform.reset();
}

bool KelvoWindows::create(double version)
{
    m_Foform = std::make_unique<TFoform>();
    m_logoform = std::make_unique<Tlogoform>();
    m_jelszoform = std::make_unique<Tjelszoform>();
    m_modosit = std::make_unique<Tmodosit>();
    m_automeresform = std::make_unique<Tautomeresform>();
    m_automeresek = std::make_unique<Tautomeresek>();

    m_logoform->show();
    m_logoform->setVersionText(version);

    m_kezdesform = std::make_unique<Tkezdesform>();
    m_okform = std::make_unique<Tokform>();
    m_befejezesform = std::make_unique<Tbefejezesform>();
    m_beallitasok = std::make_unique<Tbeallitasok>();
    m_prnform = std::make_unique<Tprnform>();
    m_Szallitasokform = std::make_unique<TSzallitasokform>();
    try {
        m_reportok = std::make_unique<T_reportok>();
    } catch (const std::exception &) {
        m_logoform->hide();
        hibauzenet(QString::fromUtf8(kPrinterDriverCaption), QString::fromUtf8(kPrinterDriverMessage));
        return false;
    }
    m_previewform = std::make_unique<T_previewform>();
    m_keszletform = std::make_unique<Tkeszletform>();
    m_SetportForm = std::make_unique<TSetportForm>();
    m_Terminal = std::make_unique<TTerminal>();
    m_ewcform = std::make_unique<Tewcform>();
    m_nyomtatasismetel = std::make_unique<Tnyomtatasismetel>();
    m_adatbazisok = std::make_unique<T_adatbazisok>();

    // A drop-down box offers what is stored; Enter in it never adds the typed text to its own list (a typed
    // unknown plate would then pass as one in progress).
    for (QWidget *window : all()) {
        for (QComboBox *box : window->findChildren<QComboBox *>())
            box->setInsertPolicy(QComboBox::NoInsert);
    }
    return true;
}

QList<QWidget *> KelvoWindows::all() const
{
    QList<QWidget *> windows;
    for (QWidget *w : std::initializer_list<QWidget *>{
             m_Foform.get(), m_logoform.get(), m_jelszoform.get(), m_modosit.get(), m_automeresform.get(),
             m_automeresek.get(), m_kezdesform.get(), m_okform.get(), m_befejezesform.get(), m_beallitasok.get(),
             m_prnform.get(), m_Szallitasokform.get(), m_reportok.get(), m_previewform.get(), m_keszletform.get(),
             m_SetportForm.get(), m_Terminal.get(), m_ewcform.get(), m_nyomtatasismetel.get(),
             m_adatbazisok.get()}) {
        if (w)
            windows.append(w);
    }
    return windows;
}
