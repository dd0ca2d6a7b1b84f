#include "TRadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace sorvik {

TRadioGroup::TRadioGroup(QWidget *parent) : QGroupBox(parent), m_buttons(new QButtonGroup(this))
{
    connect(m_buttons, &QButtonGroup::idClicked, this, &TRadioGroup::itemClicked);
}

void TRadioGroup::setItems(const QStringList &items, int columns)
{
    auto *grid = new QGridLayout(this);
    const int rows = (int(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], this);
        button->setObjectName(objectName() + QStringLiteral("_") + QString::number(i));
        m_buttons->addButton(button, i);
        grid->addWidget(button, i % rows, i / rows);
    }
}

int TRadioGroup::count() const
{
    return int(m_buttons->buttons().size());
}

QRadioButton *TRadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton *>(m_buttons->button(index));
}

int TRadioGroup::itemIndex() const
{
    return m_buttons->checkedId();
}

void TRadioGroup::setItemIndex(int index)
{
    if (QAbstractButton *chosen = m_buttons->button(index)) {
        chosen->setChecked(true);
        return;
    }
    // An exclusive group refuses to uncheck its last button.
    m_buttons->setExclusive(false);
    for (QAbstractButton *b : m_buttons->buttons())
        b->setChecked(false);
    m_buttons->setExclusive(true);
}

} // namespace sorvik
