#include "MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace {

MessageHook &hook()
{
    static MessageHook h;
    return h;
}

int ask(const MessageRequest &request)
{
    if (hook())
        return hook()(request);

    QMessageBox box;
    box.setWindowTitle(request.caption);
    box.setText(QString(request.text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    box.setWindowModality(Qt::ApplicationModal);
    switch (request.kind) {
    case MessageRequest::Kind::Information:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return 1;
    case MessageRequest::Kind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return 1;
    case MessageRequest::Kind::Question:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        return box.exec() == QMessageBox::Ok ? 1 : 0;
    case MessageRequest::Kind::Overwrite: {
        box.setIcon(QMessageBox::Question);
        QPushButton *previous = box.addButton(QStringLiteral("Előző mérés"), QMessageBox::AcceptRole);
        QPushButton *current = box.addButton(QStringLiteral("Jelenlegi"), QMessageBox::AcceptRole);
        QPushButton *cancel = box.addButton(QStringLiteral("Mégse"), QMessageBox::RejectRole);
        box.setDefaultButton(previous);
        box.setEscapeButton(cancel);
        box.adjustSize();
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            box.move(screen->geometry().center() - box.rect().center());
        box.exec();
        if (box.clickedButton() == previous)
            return static_cast<int>(OverwriteAnswer::Previous);
        if (box.clickedButton() == current)
            return static_cast<int>(OverwriteAnswer::Current);
        return static_cast<int>(OverwriteAnswer::Cancel);
    }
    }
    return 0;
}

} // namespace

void setMessageHook(MessageHook h)
{
    hook() = std::move(h);
}

void uzenet(const QString &text)
{
    ask({MessageRequest::Kind::Information, QStringLiteral("Üzenet"), text + QStringLiteral("\r\r")});
}

bool kerdes(const QString &text)
{
    return ask({MessageRequest::Kind::Question, QStringLiteral("Kérdés"), text + QStringLiteral("\r\r")}) == 1;
}

OverwriteAnswer feluliraskerdes()
{
    const QString text = QStringLiteral("Ez a rendszám jelenleg szállítás alatt áll.\r"
                                        "\r"
                                        "Módosíthatja az adatokat, de az előző mérés eredménye,\r"
                                        "vagy a jelenleg mért tömeg kerüljön rögzítésre ?\r");
    const int answer = ask({MessageRequest::Kind::Overwrite, QStringLiteral("Szállítás felülírása"), text});
    switch (answer) {
    case static_cast<int>(OverwriteAnswer::Previous):
        return OverwriteAnswer::Previous;
    case static_cast<int>(OverwriteAnswer::Current):
        return OverwriteAnswer::Current;
    default:
        return OverwriteAnswer::Cancel;
    }
}

void hibauzenet(const QString &caption, const QString &text)
{
    ask({MessageRequest::Kind::Error, caption, text});
}
