#include "WindowGeometry.h"

#include <QStringList>
#include <QWidget>

namespace WindowGeometry {

QString text(const QWidget *window)
{
    const QPoint topLeft = window->pos();
    return QStringLiteral("%1;%2;%3;%4").arg(window->width()).arg(window->height()).arg(topLeft.y()).arg(topLeft.x());
}

int apply(QWidget *window, const QString &text)
{
    if (text.isEmpty())
        return 0;
    // No trimming: " 800" is not a number, as in the stored-file contract.
    const QStringList parts = text.split(QLatin1Char(';'));
    int applied = 0;
    for (int i = 0; i < 4 && i < parts.size(); ++i) {
        const QString &part = parts.at(i);
        bool ok = !part.isEmpty() && !part.at(0).isSpace() && !part.back().isSpace();
        const int v = ok ? part.toInt(&ok) : 0;
        if (!ok)
            break;
        switch (i) {
        case 0: window->resize(v, window->height()); break;
        case 1: window->resize(window->width(), v); break;
        case 2: window->move(window->pos().x(), v); break;
        case 3: window->move(v, window->pos().y()); break;
        }
        ++applied;
    }
    return applied;
}

} // namespace WindowGeometry
