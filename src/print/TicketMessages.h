#pragma once

// The texts that ticket printing hands back to the window for uzenet.
namespace TicketMessages {

inline constexpr char kTemplateMissing[] =
    "A bemeneti fájl nem található ! A Beállítások/Nyomtatás fülön adja meg a helyes fájlnevet !";
inline constexpr char kTicketNotFound[] = "Az adott sorszámú szállítólevél nem található !";
inline constexpr char kOutputWriteError[] = "Hiba a kimeneti nyomtatási fájl írásakor !";
inline constexpr char kTicketDataWriteError[] = "A külső fájl írása sikertelen !";
// Followed by a line break and the document path.
inline constexpr char kWordDocumentMissing[] = "A szövegszerkesztő dokumentum nem található !";

// A ticket that did not come out of the printer must not pass silently; followed by a line break and the reason.
inline constexpr char kPrintFailed[] = "A szállítójegy nyomtatása nem sikerült !";
} // namespace TicketMessages
