#include "Ablak.h"

#include "IniFile.h"
#include "Seged.h"
#include "WindowGeometry.h"

#include <QWidget>

QString geometrySection()
{
    return QStringLiteral("Form_") + gepnev() + QLatin1Char('_') + felhasznalonev();
}

void ablakmentes(IniFile &ini, const QWidget *window)
{
    // A failed write is ignored: a lost layout is not worth a message.
    ini.writeString(geometrySection(), window->objectName(), WindowGeometry::text(window));
}

void ablakbetoltes(const IniFile &ini, QWidget *window)
{
    WindowGeometry::apply(window, ini.readString(geometrySection(), window->objectName()));
}
