#pragma once

#include <QList>

#include <memory>

class QWidget;
class T_adatbazisok;
class T_previewform;
class T_reportok;
class TFoform;
class TSetportForm;
class TSzallitasokform;
class TTerminal;
class Tautomeresek;
class Tautomeresform;
class Tbeallitasok;
class Tbefejezesform;
class Tewcform;
class Tjelszoform;
class Tkeszletform;
class Tkezdesform;
class Tlogoform;
class Tmodosit;
class Tnyomtatasismetel;
class Tokform;
class Tprnform;

// The twenty windows of the program, created once in a fixed order and kept for the whole run.
class KelvoWindows
{
public:
    KelvoWindows();
    ~KelvoWindows();
    KelvoWindows(const KelvoWindows &) = delete;
    KelvoWindows &operator=(const KelvoWindows &) = delete;

    // Creates windows 1 to 20, showing the splash with the version after the sixth. False when the list reports
    // find no printer driver: the message has been shown.
    bool create(double version);

    // Every window that exists, in the order of creation.
    QList<QWidget *> all() const;

    TFoform *Foform() const { return m_Foform.get(); }
    Tlogoform *logoform() const { return m_logoform.get(); }
    Tjelszoform *jelszoform() const { return m_jelszoform.get(); }
    Tmodosit *modosit() const { return m_modosit.get(); }
    Tautomeresform *automeresform() const { return m_automeresform.get(); }
    Tautomeresek *automeresek() const { return m_automeresek.get(); }
    Tkezdesform *kezdesform() const { return m_kezdesform.get(); }
    Tokform *okform() const { return m_okform.get(); }
    Tbefejezesform *befejezesform() const { return m_befejezesform.get(); }
    Tbeallitasok *beallitasok() const { return m_beallitasok.get(); }
    Tprnform *prnform() const { return m_prnform.get(); }
    TSzallitasokform *Szallitasokform() const { return m_Szallitasokform.get(); }
    T_reportok *reportok() const { return m_reportok.get(); }
    T_previewform *previewform() const { return m_previewform.get(); }
    Tkeszletform *keszletform() const { return m_keszletform.get(); }
    TSetportForm *SetportForm() const { return m_SetportForm.get(); }
    TTerminal *Terminal() const { return m_Terminal.get(); }
    Tewcform *ewcform() const { return m_ewcform.get(); }
    Tnyomtatasismetel *nyomtatasismetel() const { return m_nyomtatasismetel.get(); }
    T_adatbazisok *adatbazisok() const { return m_adatbazisok.get(); }

private:
    std::unique_ptr<TFoform> m_Foform;
    std::unique_ptr<Tlogoform> m_logoform;
    std::unique_ptr<Tjelszoform> m_jelszoform;
    std::unique_ptr<Tmodosit> m_modosit;
    std::unique_ptr<Tautomeresform> m_automeresform;
    std::unique_ptr<Tautomeresek> m_automeresek;
    std::unique_ptr<Tkezdesform> m_kezdesform;
    std::unique_ptr<Tokform> m_okform;
    std::unique_ptr<Tbefejezesform> m_befejezesform;
    std::unique_ptr<Tbeallitasok> m_beallitasok;
    std::unique_ptr<Tprnform> m_prnform;
    std::unique_ptr<TSzallitasokform> m_Szallitasokform;
    std::unique_ptr<T_reportok> m_reportok;
    std::unique_ptr<T_previewform> m_previewform;
    std::unique_ptr<Tkeszletform> m_keszletform;
    std::unique_ptr<TSetportForm> m_SetportForm;
    std::unique_ptr<TTerminal> m_Terminal;
    std::unique_ptr<Tewcform> m_ewcform;
    std::unique_ptr<Tnyomtatasismetel> m_nyomtatasismetel;
    std::unique_ptr<T_adatbazisok> m_adatbazisok;
};
