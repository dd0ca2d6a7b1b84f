#include "TransportFilterControls.h"

#include "Config.h"
#include "FieldHelpers.h"
#include "IniFile.h"
#include "Listatoltes.h"
#include "WindowHelpers.h"

#include "ui_TSzallitasokform.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace TransportFilterControls {

namespace {

using namespace TransportSearch;

constexpr char kAny[] = "<mindegy>";

const char *const kMainLists[] = {"rendszam", "cegnev", "ugyfelnev", "raktar", "termeknev", "kiszereles"};
const char *const kOtherLists[] = {"tablasorszam", "parcella", "tablanev", "felhasznalo", "ugyirat"};

QStringList columns(const auto &names)
{
    QStringList list;
    for (const char *name : names)
        list.append(QLatin1String(name));
    return list;
}

// The box of a filtered column (the customer's box has a shorter name).
QComboBox *box(const QWidget *form, const QString &column)
{
    return form->findChild<QComboBox *>(column == u"ugyfelnev" ? QStringLiteral("ugyfel") : column);
}

YesNo yesNo(const QComboBox *box)
{
    return box->currentIndex() == 1 ? YesNo::Yes : box->currentIndex() == 2 ? YesNo::No : YesNo::Any;
}

} // namespace

void setUp(QWidget *form, Ui::TSzallitasokform &ui)
{
    // A quick search ignores the Dátum page and every filter: said beside the box while it holds a text.
    ui.gyorsmegjegyzes->hide();
    QObject::connect(ui.gyorskereso, &QComboBox::editTextChanged, ui.gyorsmegjegyzes,
                     [note = ui.gyorsmegjegyzes](const QString &text) { note->setVisible(!text.isEmpty()); });
    const auto fixed = [](QComboBox *box, const char *first, const char *second) {
        box->addItems({QString::fromUtf8(kAny), QString::fromUtf8(first), QString::fromUtf8(second)});
    };
    fixed(ui.irany, "Beszállítás", "Kiszállítás");
    fixed(ui.ervenyes, "Érvényes szállítások", "Rontott szállítások");
    ui.ervenyes->setCurrentIndex(1);
    fixed(ui.jelolt, "Megjelölt", "Nem megjelölt");
    fixed(ui.kezisuly, "Kézzel beírt tömeg", "Mérleggel mért tömegek");
    fixed(ui.modositott, "Utólag módosított szállítás", "Utólag nem módosított");
    for (const ListFilter &f : listFilters()) {
        // The digits-only box is limited by its validator: a length limit would cut "<mindegy>" short.
        if (f.maxLength > 0 && qstrcmp(f.column, "tablasorszam") != 0)
            box(form, QLatin1String(f.column))->lineEdit()->setMaxLength(f.maxLength);
    }
    FieldHelpers::forceUpperCase(ui.parcella);
    ui.tablasorszam->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), ui.tablasorszam));
    QObject::connect(ui.nincsdatum, &QCheckBox::toggled, form, [&ui](bool ignore) {
        for (QWidget *w : {static_cast<QWidget *>(ui.d1), static_cast<QWidget *>(ui.d2),
                           static_cast<QWidget *>(ui.lbl_d1), static_cast<QWidget *>(ui.lbl_d2)})
            w->setEnabled(!ignore);
    });
}

QStringList mainLists()
{
    return columns(kMainLists);
}

QStringList otherLists()
{
    return columns(kOtherLists);
}

void resetLists(const QWidget *form)
{
    for (const QString &column : mainLists() + otherLists()) {
        QComboBox *list = box(form, column);
        list->clear();
        list->addItem(QString::fromUtf8(kAny));
        list->setCurrentIndex(0);
    }
}

QList<QStringList> readLists(const QSqlDatabase &db, const QStringList &columns)
{
    QList<QStringList> lists;
    for (const QString &column : columns)
        lists.append(distinctColumnValues(db, QStringLiteral("szallitasok"), column));
    return lists;
}

void fillLists(const QWidget *form, const QStringList &columns, const QList<QStringList> &lists)
{
    for (qsizetype i = 0; i < columns.size(); ++i)
        fillList(box(form, columns.at(i)), QStringList{QString::fromUtf8(kAny)} + lists.value(i));
}

Filter filter(const QWidget *form, const Ui::TSzallitasokform &ui)
{
    Filter f;
    f.direction = static_cast<Direction>(qBound(0, ui.irany->currentIndex(), 2));
    const int state = ui.ervenyes->currentIndex();
    f.state = state == 1 ? State::Valid : state == 2 ? State::Cancelled : State::Any;
    for (const ListFilter &list : listFilters()) {
        const QString column = QLatin1String(list.column);
        f.setText(column, box(form, column)->currentText());
    }
    f.marked = yesNo(ui.jelolt);
    f.manual = yesNo(ui.kezisuly);
    f.modified = yesNo(ui.modositott);
    f.hasRemark = ui.megjegyzes->isChecked();
    f.ignoreDates = ui.nincsdatum->isChecked();
    f.from = ui.d1->date();
    f.to = ui.d2->date();
    f.minSerial = ui.minsorszam->text();
    f.serial = ui.sorszam->text();
    f.quick = ui.gyorskereso->currentText();
    return f;
}

QString storedMinSerial(const IniFile *ini)
{
    return ini ? ini->readString(QLatin1String(Keys::minsorszam.section), QLatin1String(Keys::minsorszam.name),
                                 QStringLiteral("0"))
               : QStringLiteral("0");
}

std::optional<QString> saveMinSerial(const Ui::TSzallitasokform &ui, IniFile *ini)
{
    QString value = ui.minsorszam->text().trimmed();
    if (value.isEmpty())
        value = QStringLiteral("0");
    static const QRegularExpression digits(QStringLiteral("^\\d{1,18}$"));
    if (!digits.match(value).hasMatch())
        return QStringLiteral("A minimális sorszám csak egész szám lehet !");
    if (ini)
        ini->writeString(QLatin1String(Keys::minsorszam.section), QLatin1String(Keys::minsorszam.name), value);
    return std::nullopt;
}

void rememberQuickText(Ui::TSzallitasokform &ui)
{
    const QString quick = ui.gyorskereso->currentText();
    if (quick.isEmpty())
        return;
    if (ui.gyorskereso->findText(quick, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        ui.gyorskereso->insertItem(0, quick);
    ui.gyorskereso->setCurrentIndex(ui.gyorskereso->findText(quick, Qt::MatchExactly | Qt::MatchCaseSensitive));
    ui.gyorskereso->lineEdit()->selectAll();
}

} // namespace TransportFilterControls
