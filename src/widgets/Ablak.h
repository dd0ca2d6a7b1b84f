#pragma once

#include <QString>

class IniFile;
class QWidget;

// Window geometry per computer and user, in the section "Form_" + computer + "_" + user, under the window's
// object name.
QString geometrySection();
void ablakmentes(IniFile &ini, const QWidget *window);
void ablakbetoltes(const IniFile &ini, QWidget *window);
