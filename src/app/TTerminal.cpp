#include "TTerminal.h"

#include "ui_TTerminal.h"

#include <QScrollBar>

TTerminal::TTerminal(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TTerminal>())
{
    m_ui->setupUi(this);
    QFont font(QStringLiteral("System"));
    font.setBold(true);
    // Where no font of that name exists, a fixed-pitch face keeps the columns of the frames aligned.
    font.setStyleHint(QFont::TypeWriter);
    m_ui->Memo1->setFont(font);
    m_ui->Memo1->setMaximumBlockCount(kMaxLines);
    connect(m_ui->bezar, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->beallitasok, &QPushButton::clicked, this, &TTerminal::settingsRequested);
    connect(m_ui->torol, &QPushButton::clicked, m_ui->Memo1, &QPlainTextEdit::clear);
}

TTerminal::~TTerminal() = default;

void TTerminal::appendFrame(const QByteArray &frame)
{
    if (!isVisible())
        return;
    // Indicators send bytes, not text in any encoding: one character per byte. A line break that ends the frame
    // is the end of its line, not an empty line after it.
    QString line = QString::fromLatin1(frame);
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    m_ui->Memo1->appendPlainText(line);
    scrollToNewest();
}

void TTerminal::showEvent(QShowEvent *event)
{
    m_ui->Memo1->clear();
    if (m_centreOn) {
        QRect frame = frameGeometry();
        frame.moveCenter(m_centreOn->frameGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

void TTerminal::scrollToNewest()
{
    QScrollBar *bar = m_ui->Memo1->verticalScrollBar();
    bar->setValue(bar->maximum());
}
