#pragma once

#include <QGroupBox>

class QButtonGroup;
class QRadioButton;

namespace sorvik {

// A titled group of radio buttons addressed by item index; -1 means no item is chosen.
class TRadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    explicit TRadioGroup(QWidget *parent = nullptr);

    void setItems(const QStringList &items, int columns = 1);
    int count() const;
    QRadioButton *button(int index) const;

    int itemIndex() const;
    // Chooses an item without emitting itemClicked; an index outside the items chooses none.
    void setItemIndex(int index);

signals:
    // The user chose an item.
    void itemClicked(int index);

private:
    QButtonGroup *m_buttons;
};

} // namespace sorvik
