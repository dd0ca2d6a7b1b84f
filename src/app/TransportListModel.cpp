#include "TransportListModel.h"

#include "DatabaseWorker.h"
#include "RecordTexts.h"
#include "WorkerCall.h"

#include <QApplication>
#include <QStyle>

namespace {

// Pages waiting beyond these were scrolled past; a page still in view is asked for again when the view repaints.
constexpr qsizetype kMostWaiting = 8;

// The columns of numbers stand right-aligned.
bool rightAligned(int column)
{
    return column == 6 || column == 7 || column == 14 || column == 15;
}

// Icons 0 inbound, 1 outbound, 2 cancelled, 3 ascending, 4 descending.
QIcon icon(int index)
{
    static constexpr QStyle::StandardPixmap kIcons[] = {QStyle::SP_ArrowRight, QStyle::SP_ArrowLeft,
                                                        QStyle::SP_DialogCancelButton, QStyle::SP_ArrowUp,
                                                        QStyle::SP_ArrowDown};
    return QApplication::style()->standardIcon(kIcons[index]);
}

} // namespace

void TransportListModel::setList(TransportList list)
{
    beginResetModel();
    m_list = std::move(list);
    ++m_generation;
    m_waiting.clear();
    m_asked.clear();
    endResetModel();
}

void TransportListModel::setSort(int column, bool ascending)
{
    m_sortColumn = column;
    m_ascending = ascending;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

qint64 TransportListModel::serial(int row) const
{
    return row >= 0 && row < m_list.size() ? m_list.serial(row) : 0;
}

void TransportListModel::reloadRow(int row)
{
    if (row < 0 || row >= m_list.size())
        return;
    // Asked again even when a read of the page is under way: that one may have read it before the change.
    const int page = m_list.pageOf(row);
    m_asked.remove(page);
    m_waiting.removeAll(page);
    ask(page);
}

void TransportListModel::ask(int page) const
{
    if (!m_worker || m_asked.contains(page))
        return;
    m_asked.insert(page);
    m_waiting.append(page);
    while (m_waiting.size() > kMostWaiting)
        m_asked.remove(m_waiting.takeFirst());
    readNext();
}

void TransportListModel::readNext() const
{
    if (m_reading || m_waiting.isEmpty() || !m_worker)
        return;
    const int page = m_waiting.takeLast();
    const QList<qint64> serials = m_list.pageSerials(page);
    m_reading = true;
    auto *self = const_cast<TransportListModel *>(this);
    const quint64 generation = m_generation;
    const auto finished = [self, page, generation] {
        self->m_reading = false;
        if (generation == self->m_generation)
            self->m_asked.remove(page);
        self->readNext();
    };
    WorkerCall::then(
        m_worker->run([serials](QSqlDatabase db) { return TransportList::readRows(db, serials); }), self,
        [self, page, generation, finished](QList<TransportList::Row> rows) {
            if (generation == self->m_generation && rows.size() == self->m_list.pageSerials(page).size()) {
                self->m_list.setPage(page, std::move(rows));
                const int first = page * self->m_list.pageSize();
                const int last = int(std::min<qint64>(first + self->m_list.pageSize(), self->m_list.size())) - 1;
                emit self->dataChanged(self->index(first, 0), self->index(last, self->columnCount() - 1));
            }
            finished();
        },
        {},
        // Painting cannot report it: the rows stay as they are and are asked for again when the view repaints;
        // the next command meets the failure.
        [finished](const std::exception &) { finished(); });
}

int TransportListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_list.size());
}

int TransportListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_captions.size());
}

QVariant TransportListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int((rightAligned(index.column()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::DecorationRole && role != Qt::CheckStateRole)
        return {};
    const TransportList::Row *row = m_list.fetchedRow(index.row());
    if (!row) {
        ask(m_list.pageOf(index.row()));
        if (role == Qt::DisplayRole && index.column() == 0)
            return RecordTexts::serial(m_list.serial(index.row()));
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return row->texts.value(index.column());
    case Qt::DecorationRole:
        if (index.column() == 0)
            return icon(row->icon);
        break;
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return row->marked ? Qt::Checked : Qt::Unchecked;
        break;
    default:
        break;
    }
    return {};
}

QVariant TransportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return m_captions.value(section);
    if (role == Qt::TextAlignmentRole)
        return int((rightAligned(section) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (role == Qt::DecorationRole && section == m_sortColumn)
        return icon(m_ascending ? 3 : 4);
    return {};
}
