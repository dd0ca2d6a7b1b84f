#include "TNumEdit.h"

#include "Formats.h"

#include <QKeyEvent>

TNumEdit::TNumEdit(QWidget *parent)
    : QLineEdit(QStringLiteral("0"), parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

std::optional<double> TNumEdit::value() const
{
    bool ok = false;
    const double v = Formats::parseNumber(text(), &ok);
    if (!ok)
        return std::nullopt;
    return v;
}

std::optional<QChar> TNumEdit::acceptTyped(QChar c) const
{
    const bool empty = text().isEmpty();
    if (c == u'.' || c == u',') {
        if (empty)
            return std::nullopt;
        c = Formats::kDecimalSeparator;
    }
    if (c.isDigit() && c.unicode() < 128)
        return c;
    if (c == u'\b')
        return c;
    if (c == u'-' && m_permitirNeg && empty)
        return c;
    if (c == Formats::kDecimalSeparator && m_permitirDec && !text().contains(Formats::kDecimalSeparator))
        return c;
    return std::nullopt;
}

void TNumEdit::keyPressEvent(QKeyEvent *event)
{
    const QString typed = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (typed.size() != 1 || command || !typed.at(0).isPrint() || event->key() == Qt::Key_Backspace) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const std::optional<QChar> accepted = acceptTyped(typed.at(0));
    if (!accepted) {
        event->accept();
        return;
    }
    if (*accepted == typed.at(0)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    insert(QString(*accepted));
    event->accept();
}
