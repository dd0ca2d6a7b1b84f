#include "ColumnWidths.h"

#include "IniFile.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QTreeView>

ColumnWidths::ColumnWidths(QTreeView *view, int defaultWidth)
    : QObject(view)
    , m_view(view)
    , m_default(defaultWidth)
{
    connect(view->header(), &QHeaderView::sectionResized, this, [this](int column, int, int) {
        if (m_resizing || column >= m_fitted.size())
            return;
        const QHeaderView *header = m_view->header();
        // A stretched last column follows the window, not the operator.
        if (header->stretchLastSection() && header->visualIndex(column) == header->count() - 1)
            return;
        m_fitted[column] = false;
    });
}

void ColumnWidths::apply(const QList<std::optional<int>> &stored)
{
    follow(m_view->model());
    QHeaderView *header = m_view->header();
    m_fitted = QList<bool>(header->count(), false);
    m_given = QList<int>(header->count(), m_default);
    m_resizing = true;
    for (int i = 0; i < header->count(); ++i) {
        const std::optional<int> width = i < stored.size() ? stored.at(i) : std::nullopt;
        m_given[i] = width.value_or(m_default);
        header->resizeSection(i, m_given.at(i));
        m_fitted[i] = !width.has_value();
    }
    m_resizing = false;
    fit();
}

void ColumnWidths::read(const IniFile &ini, const QString &section)
{
    QList<std::optional<int>> stored;
    for (int i = 0; i < m_view->header()->count(); ++i) {
        const QString key = QString::number(i);
        if (ini.valueExists(section, key))
            stored.append(int(ini.readInteger(section, key, m_default)));
        else
            stored.append(std::nullopt);
    }
    apply(stored);
}

bool ColumnWidths::write(IniFile &ini, const QString &section) const
{
    const QHeaderView *header = m_view->header();
    for (int i = 0; i < header->count(); ++i) {
        if (!ini.writeInteger(section, QString::number(i), header->sectionSize(i)))
            return false;
    }
    return true;
}

void ColumnWidths::fit()
{
    QHeaderView *header = m_view->header();
    const QAbstractItemModel *model = m_view->model();
    if (!model)
        return;
    // Only the rows in sight are measured (none while the list is hidden): a long list reads its rows page by
    // page as they are shown, and the rows that arrive later bring their own fit.
    int first = 0;
    int last = -1;
    if (m_view->isVisible()) {
        const QModelIndex top = m_view->indexAt(QPoint(0, 0));
        const QModelIndex bottom = m_view->indexAt(QPoint(0, m_view->viewport()->height() - 1));
        first = top.isValid() ? top.row() : 0;
        last = bottom.isValid() ? bottom.row() : model->rowCount() - 1;
        last = qMin(last, first + kMeasuredRows - 1);
    }
    m_resizing = true;
    for (int i = 0; i < qMin(header->count(), int(m_fitted.size())); ++i) {
        if (!m_fitted.at(i) || header->isSectionHidden(i))
            continue;
        int wanted = header->sectionSizeHint(i);
        for (int row = first; row <= last; ++row)
            wanted = qMax(wanted, m_view->sizeHintForIndex(model->index(row, i)).width());
        wanted = qMin(wanted, kWidestFit);
        m_given[i] = qMax(m_given.at(i), wanted);
        if (wanted > header->sectionSize(i))
            header->resizeSection(i, wanted);
    }
    m_resizing = false;
    if (m_growsWindow && m_view->isVisible())
        showAllColumns();
}

void ColumnWidths::showAllColumns()
{
    QTreeView *view = m_view;
    QWidget *window = view->window();
    // Laid out afresh: the lists beside the view may have just taken their width.
    if (QLayout *layout = window->layout()) {
        layout->invalidate();
        layout->activate();
    }
    const QHeaderView *header = view->header();
    int columns = 0;
    for (int i = 0; i < header->count(); ++i) {
        if (header->isSectionHidden(i))
            continue;
        // A stretched last column takes what is left; what it was given is what it needs.
        const bool stretched = header->stretchLastSection() && header->visualIndex(i) == header->count() - 1;
        columns += stretched && i < m_given.size() ? m_given.at(i) : header->sectionSize(i);
    }
    const int wanted = columns + 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width();
    const int growth = wanted - view->width();
    if (growth <= 0)
        return;
    const QRect screen = window->screen()->availableGeometry();
    const int frame = window->frameGeometry().width() - window->width();
    const int width = qMin(window->width() + growth, screen.width() - frame);
    if (width <= window->width())
        return;
    window->resize(width, window->height());
    // Kept on the screen when it grows past the right edge.
    const int overflow = window->frameGeometry().right() - screen.right();
    if (window->isVisible() && overflow > 0)
        window->move(qMax(screen.left(), window->x() - overflow), window->y());
}

void ColumnWidths::follow(QAbstractItemModel *model)
{
    if (model == m_model)
        return;
    for (const QMetaObject::Connection &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_model = model;
    if (!model)
        return;
    m_connections = {
        connect(model, &QAbstractItemModel::modelReset, this, &ColumnWidths::fit),
        connect(model, &QAbstractItemModel::rowsInserted, this, &ColumnWidths::fit),
        connect(model, &QAbstractItemModel::layoutChanged, this, &ColumnWidths::fit),
        // Rows read later (a long list reads the rows in sight first).
        connect(model, &QAbstractItemModel::dataChanged, this, &ColumnWidths::fit),
    };
}
