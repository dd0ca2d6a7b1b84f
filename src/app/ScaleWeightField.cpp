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
    m_last = text;
    if (m_weight->window()->isVisible() && !m_manual->isChecked())
        m_weight->setText(text);
}

void ScaleWeightField::lose()
{
    m_live = false;
    m_last.clear();
    if (!m_manual->isChecked())
        m_weight->clear();
}

void ScaleWeightField::followScale()
{
    m_manual->setChecked(false);
    m_weight->setReadOnly(true);
    m_weight->setText(m_last);
}

bool ScaleWeightField::usable() const
{
    return m_manual->isChecked() || m_live;
}
