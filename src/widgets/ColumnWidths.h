#pragma once

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <optional>

class IniFile;
class QAbstractItemModel;
class QTreeView;

// The column widths of a list as the INI file keeps them (one section, keys "0" upward). A width found there is
// the operator's and is kept as it is. A column without one starts at the default and widens to its header and to
// the text of its rows whenever rows arrive, so that a date-time or a name is not cut at first start although the
// defaults were made for a smaller font; once the operator drags such a column, it is left alone.
class ColumnWidths : public QObject
{
public:
    static constexpr int kDefaultWidth = 100;
    // A long remark does not push the columns after it out of sight.
    static constexpr int kWidestFit = 300;
    // Rows measured at most in one fit: about a screenful.
    static constexpr int kMeasuredRows = 60;

    explicit ColumnWidths(QTreeView *view, int defaultWidth = kDefaultWidth);

    // stored[i] empty: column i has no stored width. Columns beyond the list take the default.
    void apply(const QList<std::optional<int>> &stored);
    // Reads and applies the widths of the view's columns from the section.
    void read(const IniFile &ini, const QString &section);
    // Writes every column's width; false when the file refuses a write.
    bool write(IniFile &ini, const QString &section) const;

    // Widens the columns that have no stored width to their header and rows (run by itself when rows arrive).
    void fit();

    // For a window at its first size (none stored): after a fit the window grows to show every column whole.
    void setGrowsWindow(bool grows) { m_growsWindow = grows; }
    // Widens the view's window so that all of its columns show whole, as far as the screen allows.
    void showAllColumns();

private:
    void follow(QAbstractItemModel *model);

    QTreeView *m_view;
    int m_default;
    // Per column: whether it still widens to its text (no stored width, not dragged since).
    QList<bool> m_fitted;
    // Per column: the width it was given (stored, default or fitted); a stretched last column may show more.
    QList<int> m_given;
    bool m_resizing = false;
    bool m_growsWindow = false;
    QPointer<QAbstractItemModel> m_model;
    QList<QMetaObject::Connection> m_connections;
};
