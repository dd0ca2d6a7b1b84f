#include "WindowHelpers.h"

#include "Listatoltes.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QWidget>

void homokora(bool on)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    if (on)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void attetszoseg(QWidget *window, int alpha)
{
    if (!window)
        return;
    window->setWindowOpacity(qBound(0, alpha, 255) / 255.0);
}

bool hungarianQtTexts()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Hungarian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

bool altlenyomva()
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier);
}

bool shiftlenyomva()
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

void listatoltes(QComboBox *box, const QSqlDatabase &db, const QString &table, const QString &field)
{
    fillList(box, distinctColumnValues(db, table, field));
}

void fillList(QComboBox *box, const QStringList &values)
{
    const QString editText = box->currentText();
    box->setUpdatesEnabled(false);
    {
        const QSignalBlocker blocker(box);
        box->clear();
        box->addItems(values);
        if (box->isEditable())
            box->setEditText(editText);
        else
            box->setCurrentIndex(box->findText(editText, Qt::MatchFixedString));
    }
    box->setUpdatesEnabled(true);
}
