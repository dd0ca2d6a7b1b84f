#include "TFoform.h"

#include "ColumnWidths.h"

#include "ui_TFoform.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

namespace {

constexpr int kStatusPanel0Width = 300;

} // namespace

TFoform::TFoform(QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::TFoform>())
{
    m_ui->setupUi(this);
    m_widths = new ColumnWidths(m_ui->lista);

    // Pictures of our own choosing from the style, so the window needs no image files.
    const auto icon = [this](QStyle::StandardPixmap p) { return style()->standardIcon(p); };
    m_ui->bkezd->setIcon(icon(QStyle::SP_FileIcon));
    m_ui->bbefejez->setIcon(icon(QStyle::SP_DialogApplyButton));
    m_ui->bfrissit->setIcon(icon(QStyle::SP_BrowserReload));
    m_ui->bszallitasok->setIcon(icon(QStyle::SP_FileDialogContentsView));
    m_ui->bkeszlet->setIcon(icon(QStyle::SP_FileDialogDetailedView));
    m_ui->autobtn->setIcon(icon(QStyle::SP_MediaPlay));
    m_ui->helpbtn->setIcon(icon(QStyle::SP_DialogHelpButton));
    m_ui->nullaimage->setIcon(icon(QStyle::SP_DialogResetButton));

    for (QAction *action : m_ui->ToolBar1->actions()) {
        if (QWidget *button = m_ui->ToolBar1->widgetForAction(action))
            button->setMinimumSize(63, 70);
    }

    m_autoPopup = new QMenu(this);
    m_autoPopup->setObjectName(QStringLiteral("autopopup"));
    m_autoPopup->addAction(m_ui->autoindul);
    m_autoPopup->addAction(m_ui->mMentesek);
    m_ui->autobtn->setMenu(m_autoPopup);
    if (auto *button = qobject_cast<QToolButton *>(m_ui->ToolBar1->widgetForAction(m_ui->autobtn)))
        button->setPopupMode(QToolButton::MenuButtonPopup);

    // The gate's commands: the actions are named after what they do, the wiring enables them.
    m_gateMenu = new QMenu(QStringLiteral("&Kapu"), this);
    m_gateMenu->setObjectName(QStringLiteral("menuKapu"));
    const std::pair<const char *, const char *> gateCommands[] = {
        {"kapuSorompo", "Sorompó nyitása"},          {nullptr, nullptr},
        {"kapuBeZold", "Behajtó lámpa: zöld"},       {"kapuBePiros", "Behajtó lámpa: piros"},
        {"kapuKiZold", "Kihajtó lámpa: zöld"},       {"kapuKiPiros", "Kihajtó lámpa: piros"}};
    for (const auto &[name, text] : gateCommands) {
        if (!name) {
            m_gateMenu->addSeparator();
            continue;
        }
        QAction *action = m_gateMenu->addAction(QString::fromUtf8(text));
        action->setObjectName(QLatin1String(name));
        action->setEnabled(false);
    }
    m_ui->MainMenu1->insertMenu(m_ui->menuSugo->menuAction(), m_gateMenu);
    m_gateButton = new QAction(icon(QStyle::SP_ArrowUp), QStringLiteral("Kapu"), this);
    m_gateButton->setObjectName(QStringLiteral("kapubtn"));
    m_gateButton->setToolTip(QStringLiteral("Sorompó és forgalmi lámpák kézi vezérlése"));
    m_gateButton->setMenu(m_gateMenu);
    m_gateButton->setVisible(false);
    // Beside the weighing commands, before the separator that sets off the help.
    const QList<QAction *> tools = m_ui->ToolBar1->actions();
    const qsizetype help = tools.indexOf(m_ui->helpbtn);
    m_ui->ToolBar1->insertAction(help > 0 ? tools.at(help - 1) : m_ui->helpbtn, m_gateButton);
    if (auto *button = qobject_cast<QToolButton *>(m_ui->ToolBar1->widgetForAction(m_gateButton))) {
        button->setPopupMode(QToolButton::InstantPopup);
        button->setMinimumSize(63, 70);
    }

    m_popupMenu = new QMenu(this);
    m_popupMenu->setObjectName(QStringLiteral("PopupMenu1"));
    m_popupMenu->addAction(m_ui->pIranyCsere);
    m_popupMenu->addAction(m_ui->pTorles);
    m_popupMenu->addAction(m_ui->pUjrameres);

    // The master data editor has no visible menu item, yet its key works.
    auto *hidden = new QShortcut(m_ui->ADATBAZISOK->shortcut(), this);
    hidden->setObjectName(QStringLiteral("ADATBAZISOKShortcut"));
    connect(hidden, &QShortcut::activated, m_ui->ADATBAZISOK, &QAction::trigger);

    QFont weightFont(QStringLiteral("Tahoma"));
    weightFont.setPixelSize(35);
    m_ui->sulylabel1->setFont(weightFont);
    m_ui->sulylabel1->installEventFilter(this);
    m_ui->lista->installEventFilter(this);
    m_ui->balimage->setPixmap(icon(QStyle::SP_MediaSeekForward).pixmap(16, 16));

    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    }
    m_panels[0]->setFixedWidth(kStatusPanel0Width);
    m_panels[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A long link text gives way (its start is cut, its end with the state stays): the device panels to its right
    // must stay in sight in a narrow window.
    m_panels[1]->setMinimumWidth(1);
    m_ui->StatusBar1->addWidget(m_panels[0]);
    m_ui->StatusBar1->addWidget(m_panels[1], 1);
    m_ui->StatusBar1->addWidget(m_panels[2]);
    m_gatePanel = new QLabel(this);
    m_gatePanel->setObjectName(QStringLiteral("StatusPanelKapu"));
    m_gatePanel->setVisible(false);
    m_ui->StatusBar1->addWidget(m_gatePanel);
}

TFoform::~TFoform() = default;

QLabel *TFoform::statusPanel(int index) const
{
    return m_panels[index];
}

void TFoform::setStatusText(int panel, const QString &text)
{
    m_panels[panel]->setText(text);
}

void TFoform::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    const bool first = m_firstShow;
    m_firstShow = false;
    emit shown(first);
    if (first)
        QCoreApplication::postEvent(this, new QEvent(static_cast<QEvent::Type>(kInitialiseEvent)));
}

void TFoform::customEvent(QEvent *event)
{
    if (event->type() == kInitialiseEvent) {
        emit initialiseRequested();
        return;
    }
    QMainWindow::customEvent(event);
}

bool TFoform::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->sulylabel1 && event->type() == QEvent::MouseButtonDblClick) {
        emit weightLabelDoubleClicked();
        return true;
    }
    if (watched == m_ui->lista && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Delete) {
            emit listKeyPressed(key);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFoform::closeEvent(QCloseEvent *event)
{
    emit closing();
    event->accept();
}
