#include "ScaleWeightField.h"

#include "TNumEdit.h"

#include <QCheckBox>

ScaleWeightField::ScaleWeightField(QCheckBox *manual, TNumEdit *weight)
    : m_manual(manual)
    , m_weight(weight)
{
    m_weight->setPlaceholderText(QString::fromUtf8(kNoDataHint));
}

void ScaleWeightField::offer(const QString &text)
{
    m_live = true;
    if (m_weight->window()->isVisible() && !m_manual->isChecked())
        m_weight->setText(text);
}

void ScaleWeightField::lose()
{
    m_live = false;
    if (!m_manual->isChecked())
        m_weight->clear();
}

bool ScaleWeightField::usable() const
{
    return m_manual->isChecked() || m_live;
}
