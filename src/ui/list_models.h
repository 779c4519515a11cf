#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <optional>
#include <string_view>

#include "model/lists.h"
#include "session/progress.h"

namespace kalmero {

// Background of a playlist or result row's first column by its whole "Typ=" line (exact,
// case-sensitive); nullopt for any other line, which keeps the view's own background.
std::optional<QColor> typeBackground(std::string_view typLine);

// A report view's rows over one of the lists: row i shows entry i, so the rows cost no
// memory of their own. The session announces rows through Progress; the announcements are
// gathered and shown in batches by flush().
class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `list` must outlive the model. `which` chooses the texts and the colours.
    ListModel(ListId which, const Lista& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Drops every row at once.
    void clearRows();
    // Notes that the first `count` entries now have rows; the new ones show at flush().
    void setRowCount(std::size_t count);
    // Shows the rows noted since the last flush.
    void flush();

private:
    QString cellText(std::size_t row, int column) const;
    QVariant cellBackground(std::size_t row, int column) const;

    ListId m_which;
    const Lista& m_list;
    int m_rows = 0;     // rows the view knows of
    int m_pending = 0;  // rows announced but not yet shown
};

}  // namespace kalmero
