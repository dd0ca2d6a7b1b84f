#include "TSzallitasokform.h"

#include "Cancellation.h"
#include "Config.h"
#include "CsvSaving.h"
#include "Database.h"
#include "FieldHelpers.h"
#include "CompanyData.h"
#include "IniFile.h"
#include "ListReports.h"
#include "TNaploform.h"
#include "MessageBoxes.h"
#include "SlotGuard.h"
#include "Sql.h"
#include "TransportList.h"
#include "TransportListModel.h"
#include "WindowHelpers.h"

#include "ui_TSzallitasokform.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QStyle>

namespace {

using namespace TransportSearch;

constexpr char kAny[] = "<mindegy>";
constexpr char kNoneToPrint[] = "Válassza ki a nyomtatandó szállítást !";
constexpr char kNoneToModify[] = "Válassza ki a módosítandó szállítást !";
constexpr char kNothingToPrint[] = "Nincs nyomtatandó szállítás !";
constexpr char kShowTrail[] = "Napló megtekintése";
constexpr char kNoneForTrail[] = "Válassza ki a szállítást, amelynek a naplóját látni szeretné !";
constexpr char kNothingToSave[] = "Nincs mentendő keresési eredmény !";
constexpr int kColumns = 16;
constexpr int kDefaultWidth = 100;

// The box of a filtered column (the customer's box has a shorter name).
QString boxName(const QString &column)
{
    return column == u"ugyfelnev" ? QStringLiteral("ugyfel") : column;
}

void fill(QComboBox *box, const QSqlDatabase &db, const QString &column)
{
    box->clear();
    listatoltes(box, db, QStringLiteral("szallitasok"), column);
    box->insertItem(0, QString::fromUtf8(kAny));
    box->setCurrentIndex(0);
}

YesNo yesNo(const QComboBox *box)
{
    return box->currentIndex() == 1 ? YesNo::Yes : box->currentIndex() == 2 ? YesNo::No : YesNo::Any;
}

} // namespace

TSzallitasokform::TSzallitasokform(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TSzallitasokform>())
{
    m_ui->setupUi(this);
    const auto fixed = [](QComboBox *box, const char *first, const char *second) {
        box->addItems({QString::fromUtf8(kAny), QString::fromUtf8(first), QString::fromUtf8(second)});
    };
    fixed(m_ui->irany, "Beszállítás", "Kiszállítás");
    fixed(m_ui->ervenyes, "Érvényes szállítások", "Rontott szállítások");
    m_ui->ervenyes->setCurrentIndex(1);
    fixed(m_ui->jelolt, "Megjelölt", "Nem megjelölt");
    fixed(m_ui->kezisuly, "Kézzel beírt tömeg", "Mérleggel mért tömegek");
    fixed(m_ui->modositott, "Utólag módosított szállítás", "Utólag nem módosított");
    for (const ListFilter &f : listFilters()) {
        // The digits-only box is limited by its validator: a length limit would cut "<mindegy>" short.
        if (f.maxLength > 0 && qstrcmp(f.column, "tablasorszam") != 0)
            findChild<QComboBox *>(boxName(QLatin1String(f.column)))->lineEdit()->setMaxLength(f.maxLength);
    }
    FieldHelpers::forceUpperCase(m_ui->parcella);
    m_ui->tablasorszam->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_ui->tablasorszam));
    connect(m_ui->nincsdatum, &QCheckBox::toggled, this, [this](bool ignore) {
        for (QWidget *w : {static_cast<QWidget *>(m_ui->d1), static_cast<QWidget *>(m_ui->d2),
                           static_cast<QWidget *>(m_ui->lbl_d1), static_cast<QWidget *>(m_ui->lbl_d2)})
            w->setEnabled(!ignore);
    });
    connect(m_ui->lapok, &QTabWidget::currentChanged, this, guarded([this](int index) {
                if (m_ui->lapok->widget(index) == m_ui->egyeb)
                    fillOtherPage();
            }));
    connect(m_ui->bment, &QPushButton::clicked, this, guarded(this, &TSzallitasokform::saveMinSerial));

    m_model = new TransportListModel(this);
    m_ui->lista->setModel(m_model);
    m_ui->lista->header()->setSectionsClickable(true);
    m_ui->lista->header()->setSectionsMovable(false);
    m_ui->lista->header()->setStretchLastSection(false);
    connect(m_ui->lista->header(), &QHeaderView::sectionClicked, this,
            guarded([this](int column) { headerClicked(column); }));
    connect(m_ui->lista, &QAbstractItemView::doubleClicked, this, guarded([this] { reprintSelected(); }));
    m_model->setSort(m_sort.column, m_sort.ascending);

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);
    for (int i = 0; i < 4; ++i) {
        m_panels[i] = new QLabel(status);
        m_panels[i]->setObjectName(QStringLiteral("panel%1").arg(i));
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        status->addWidget(m_panels[i], 1);
    }
    m_ui->mainLayout->addWidget(status);
    buildCommands();
    showTotals();
}

TSzallitasokform::~TSzallitasokform() = default;

void TSzallitasokform::buildCommands()
{
    auto *menuBar = new QMenuBar(this);
    QMenu *menu = menuBar->addMenu(QStringLiteral("Művelet"));
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    struct Command {
        QToolButton *button;
        const char *name;
        const char *menuText;  // empty: not in the menu
        const char *popupText; // empty: not in the list's menu
        QStyle::StandardPixmap icon;
        void (TSzallitasokform::*slot)();
    };
    const Command commands[] = {
        {m_ui->bkereses, "mKereses", "Keresés", "", QStyle::SP_FileDialogContentsView, &TSzallitasokform::runSearch},
        {m_ui->bmainap, "", "", "", QStyle::SP_FileDialogInfoView, &TSzallitasokform::todayList},
        {m_ui->bnyomtatas, "mNyomtatas", "Lista nyomtatása", "Lista nyomtatása", QStyle::SP_FileIcon,
         &TSzallitasokform::printList},
        {m_ui->bismetles, "mIsmetles", "Kijelölt Mérlegjegy ismétlése", "Mérlegjegy ismétlése",
         QStyle::SP_BrowserReload, &TSzallitasokform::reprintSelected},
        {m_ui->bmodositas, "mModositas", "Kijelölt Mérlegjegy módosítása", "Mérlegjegy módosítása",
         QStyle::SP_FileDialogDetailedView, &TSzallitasokform::modifySelected},
        {m_ui->bmentes, "mMentes", "Lista mentése (.csv)", "", QStyle::SP_DialogSaveButton, &TSzallitasokform::saveList},
        {m_ui->bsztorno, "mSztorno", "Kijelölt Mérlegjegy sztornózása", "Sztornó", QStyle::SP_DialogCancelButton,
         &TSzallitasokform::cancelSelected},
    };
    for (const Command &c : commands) {
        c.button->setIcon(style()->standardIcon(c.icon));
        connect(c.button, &QToolButton::clicked, this, guarded(this, c.slot));
        if (*c.menuText) {
            QAction *action = menu->addAction(c.button->icon(), QString::fromUtf8(c.menuText));
            action->setObjectName(QLatin1String(c.name));
            connect(action, &QAction::triggered, this, guarded(this, c.slot));
            if (c.button == m_ui->bkereses) {
                action->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
                addAction(action);
            }
            if (c.button == m_ui->bmodositas)
                m_modifyActions.append(action);
        }
        if (*c.popupText) {
            QAction *action = m_popup->addAction(c.button->icon(), QString::fromUtf8(c.popupText));
            connect(action, &QAction::triggered, this, guarded(this, c.slot));
            if (c.button == m_ui->bmodositas)
                m_modifyActions.append(action);
        }
    }
    // The trail has no button of its own: it is looked at seldom, from the menu or the list's menu.
    for (QMenu *place : {menu, m_popup}) {
        QAction *action = place->addAction(QString::fromUtf8(kShowTrail));
        if (place == menu)
            action->setObjectName(QStringLiteral("mNaplo"));
        connect(action, &QAction::triggered, this, guarded(this, &TSzallitasokform::showTrail));
    }
    QAction *quit = menu->addAction(QStringLiteral("Kilépés"));
    quit->setObjectName(QStringLiteral("mKilepes"));
    quit->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(quit, &QAction::triggered, this, &QDialog::reject);
    addAction(quit);
    m_ui->mainLayout->setMenuBar(menuBar);
    connect(m_ui->lista, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_popup->popup(m_ui->lista->viewport()->mapToGlobal(pos)); });
}

void TSzallitasokform::setModifyButtonVisible(bool visible)
{
    m_ui->bmodositas->setVisible(visible);
    for (QAction *action : std::as_const(m_modifyActions))
        action->setVisible(visible);
}

void TSzallitasokform::setTicketCommands(TicketCommand reprint, TicketCommand modify)
{
    m_reprint = std::move(reprint);
    m_modify = std::move(modify);
}

void TSzallitasokform::prepare(Database *database, IniFile *ini, const QDate &today, qint64 minusznapok,
                               const QString &programFolder)
{
    m_database = database;
    m_ini = ini;
    m_today = today;
    m_programFolder = programFolder;
    {
        const WaitCursor wait;
        m_ui->gyorskereso->setEditText(QString());
        m_listed.reset();
        m_model->setList({}, {});
        showTotals();
        if (m_database) {
            const QSqlDatabase db = m_database->db();
            for (const char *column : {"rendszam", "cegnev", "ugyfelnev", "raktar", "tablasorszam", "termeknev"})
                fill(findChild<QComboBox *>(boxName(QLatin1String(column))), db, QLatin1String(column));
            if (m_ui->lapok->currentWidget() == m_ui->egyeb)
                fillOtherPage();
        }
    }
    m_ui->d1->setDate(today.addDays(-minusznapok));
    m_ui->d2->setDate(today);
    for (int i = 0; i < kColumns; ++i) {
        const qint64 width = m_ini ? m_ini->readInteger(QLatin1String(Keys::kSzallitasokOszlop), QString::number(i),
                                                        kDefaultWidth)
                                   : kDefaultWidth;
        m_ui->lista->header()->resizeSection(i, int(width));
    }
    m_ui->jelolt->setCurrentIndex(0);
    m_ui->minsorszam->setText(m_ini ? m_ini->readString(QLatin1String(Keys::minsorszam.section),
                                                        QLatin1String(Keys::minsorszam.name), QStringLiteral("0"))
                                    : QStringLiteral("0"));
}

void TSzallitasokform::release()
{
    if (m_ini) {
        for (int i = 0; i < kColumns; ++i)
            m_ini->writeInteger(QLatin1String(Keys::kSzallitasokOszlop), QString::number(i),
                                m_ui->lista->header()->sectionSize(i));
    }
    m_listed.reset();
    m_model->setList({}, {});
    m_database = nullptr;
    m_ini = nullptr;
}

void TSzallitasokform::fillOtherPage()
{
    if (!m_database)
        return;
    const WaitCursor wait;
    const QSqlDatabase db = m_database->db();
    for (const char *column : {"kiszereles", "parcella", "tablanev", "felhasznalo", "ugyirat"})
        fill(findChild<QComboBox *>(QLatin1String(column)), db, QLatin1String(column));
}

Filter TSzallitasokform::filter() const
{
    Filter f;
    f.direction = static_cast<Direction>(qBound(0, m_ui->irany->currentIndex(), 2));
    const int state = m_ui->ervenyes->currentIndex();
    f.state = state == 1 ? State::Valid : state == 2 ? State::Cancelled : State::Any;
    for (const ListFilter &list : listFilters()) {
        const QString column = QLatin1String(list.column);
        f.setText(column, findChild<QComboBox *>(boxName(column))->currentText());
    }
    f.marked = yesNo(m_ui->jelolt);
    f.manual = yesNo(m_ui->kezisuly);
    f.modified = yesNo(m_ui->modositott);
    f.hasRemark = m_ui->megjegyzes->isChecked();
    f.ignoreDates = m_ui->nincsdatum->isChecked();
    f.from = m_ui->d1->date();
    f.to = m_ui->d2->date();
    f.minSerial = m_ui->minsorszam->text();
    f.serial = m_ui->sorszam->text();
    f.quick = m_ui->gyorskereso->currentText();
    f.todayDate = m_today;
    f.sort = m_sort;
    return f;
}

void TSzallitasokform::runSearch()
{
    if (m_ui->minsorszam->text().trimmed().isEmpty())
        m_ui->minsorszam->setText(QStringLiteral("0"));
    if (m_ui->sorszam->text().trimmed().isEmpty())
        m_ui->sorszam->setText(QStringLiteral("0"));
    const QString quick = m_ui->gyorskereso->currentText();
    if (!quick.isEmpty()) {
        // The texts searched for stay in the box's list while the program runs.
        if (m_ui->gyorskereso->findText(quick, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
            m_ui->gyorskereso->insertItem(0, quick);
        m_ui->gyorskereso->setCurrentIndex(m_ui->gyorskereso->findText(quick, Qt::MatchExactly | Qt::MatchCaseSensitive));
        m_ui->gyorskereso->lineEdit()->selectAll();
    }
    run(filter());
}

void TSzallitasokform::todayList()
{
    m_ui->gyorskereso->setEditText(QString());
    Filter f = filter();
    f.today = true;
    run(f);
}

void TSzallitasokform::run(Filter f, qint64 keepSerial)
{
    const WaitCursor wait;
    if (!m_database)
        return;
    const QSqlDatabase db = m_database->db();
    std::optional<Refusal> refusal;
    std::optional<QString> failure; // the database's text
    try {
        const auto built = build(db, f);
        if (const auto *r = std::get_if<Refusal>(&built)) {
            refusal = *r;
        } else {
            const Statement &statement = std::get<Statement>(built);
            m_model->setList(db, TransportList::load(db, statement));
            m_listed = statement;
        }
    } catch (const DatabaseError &e) {
        failure = QString::fromUtf8(e.what());
    }
    if (refusal) {
        if (QWidget *field = findChild<QWidget *>(refusal->field))
            field->setFocus();
        uzenet(refusal->message);
        return;
    }
    if (failure) {
        m_listed.reset();
        m_model->setList({}, {});
        showTotals();
        uzenet(QString::fromUtf8(kQueryFailed) + QLatin1Char('\n') + *failure);
        return;
    }
    showTotals();
    if (keepSerial > 0) {
        const TransportList &list = m_model->list();
        for (qint64 i = 0; i < list.size(); ++i) {
            if (list.serial(i) == keepSerial) {
                const QModelIndex index = m_model->index(int(i), 0);
                m_ui->lista->setCurrentIndex(index);
                m_ui->lista->scrollTo(index);
                break;
            }
        }
    }
}

void TSzallitasokform::showTotals()
{
    const QStringList texts = m_model->list().totals().panels();
    for (int i = 0; i < 4; ++i)
        m_panels[i]->setText(texts.at(i));
}

void TSzallitasokform::headerClicked(int column)
{
    m_sort.click(column);
    m_model->setSort(m_sort.column, m_sort.ascending);
    if (m_model->rowCount() > 0)
        runSearch();
}

qint64 TSzallitasokform::selectedSerial() const
{
    const QModelIndexList rows = m_ui->lista->selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : m_model->serial(rows.first().row());
}

bool TSzallitasokform::located(qint64 serial) const
{
    // Another station may have changed the table since the search.
    return m_database && Cancellation::check(m_database->db(), serial) != Cancellation::Check::NotFound;
}

void TSzallitasokform::cancelSelected()
{
    const qint64 serial = selectedSerial();
    if (serial == 0) {
        uzenet(QString::fromUtf8(Cancellation::kNoneSelected));
        return;
    }
    if (!m_database)
        return;
    const QSqlDatabase db = m_database->db();
    const Cancellation::Check now = Cancellation::check(db, serial);
    if (const auto refusal = Cancellation::refusal(now)) {
        uzenet(refusal->message);
        return;
    }
    if (now == Cancellation::Check::NotFound || !kerdes(QString::fromUtf8(Cancellation::kQuestion)))
        return;
    Cancellation::Check outcome;
    {
        const WaitCursor wait;
        outcome = Cancellation::cancel(db, serial);
    }
    if (const auto refusal = Cancellation::refusal(outcome))
        uzenet(refusal->message);
    // The same filters again, the cancelled ticket kept in view when it is still listed.
    run(filter(), serial);
}

void TSzallitasokform::reprintSelected()
{
    const qint64 serial = selectedSerial();
    if (serial == 0) {
        uzenet(QString::fromUtf8(kNoneToPrint));
        return;
    }
    if (located(serial) && m_reprint)
        m_reprint(serial);
}

void TSzallitasokform::showTrail()
{
    const qint64 serial = selectedSerial();
    if (serial == 0) {
        uzenet(QString::fromUtf8(kNoneForTrail));
        return;
    }
    if (!m_database)
        return;
    if (!m_naploform)
        m_naploform = new TNaploform(this);
    m_naploform->showSerial(m_database->db(), serial);
    m_naploform->open();
}

void TSzallitasokform::modifySelected()
{
    const qint64 serial = selectedSerial();
    if (serial == 0) {
        uzenet(QString::fromUtf8(kNoneToModify));
        return;
    }
    if (!located(serial) || !m_modify)
        return;
    const int row = m_ui->lista->selectionModel()->selectedRows().first().row();
    m_modify(serial);
    // The row shows what was stored at once, not only after the next search.
    m_model->reloadRow(row);
}

void TSzallitasokform::printList()
{
    if (m_model->rowCount() == 0) {
        uzenet(QString::fromUtf8(kNothingToPrint));
        return;
    }
    if (!m_listed || !m_database || !m_reportViewer)
        return;
    const ListReports::Heading heading{CompanyData::load(m_programFolder).value_or(QStringList()), {}};
    m_reportViewer(ListReports::transports(m_database->db(), *m_listed, m_ui->irany->currentText(), heading));
}

void TSzallitasokform::setReportViewer(std::function<void(std::unique_ptr<PagedDocument>)> viewer)
{
    m_reportViewer = std::move(viewer);
}

void TSzallitasokform::saveList()
{
    if (m_model->rowCount() == 0 || !m_listed || !m_database) {
        uzenet(QString::fromUtf8(kNothingToSave));
        return;
    }
    QSqlQuery rows = m_listed->run(m_database->db());
    CsvSaving::saveQuery(this, m_programFolder, rows, m_model->rowCount());
}

void TSzallitasokform::saveMinSerial()
{
    QString value = m_ui->minsorszam->text().trimmed();
    if (value.isEmpty())
        value = QStringLiteral("0");
    static const QRegularExpression digits(QStringLiteral("^\\d{1,18}$"));
    if (!digits.match(value).hasMatch()) {
        uzenet(QStringLiteral("A minimális sorszám csak egész szám lehet !"));
        return;
    }
    if (m_ini)
        m_ini->writeString(QLatin1String(Keys::minsorszam.section), QLatin1String(Keys::minsorszam.name), value);
}
