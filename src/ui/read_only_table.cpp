#include "ui/read_only_table.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <algorithm>

namespace kalmero {

void paintEmptyFocus(QWidget* viewport) {
    QPainter painter(viewport);
    QStyleOptionFocusRect option;
    option.initFrom(viewport);
    // The view holds the focus, not its viewport; and the style would draw the frame only
    // after a key moved the focus, while an empty view shows it whichever way it came.
    option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    option.rect = viewport->rect().adjusted(1, 1, -1, -1);
    option.backgroundColor = viewport->palette().color(QPalette::Base);
    viewport->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, viewport);
}

ReadOnlyTable::ReadOnlyTable(const QStringList& headers, int rows, const QString& name,
                             QWidget* parent)
    : EmptyFocusView<QTableWidget>(rows, static_cast<int>(headers.size()), parent) {
    setObjectName(name);
    setHorizontalHeaderLabels(headers);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(true);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
}

QString ReadOnlyTable::sortKeysTip(int columns) {
    return QStringLiteral(
               "Z klawiatury: Ctrl+1 … Ctrl+%1 sortuje według kolumny (pierwszej, "
               "drugiej…), ten sam klawisz ponownie – odwrotnie.")
        .arg(columns);
}

void ReadOnlyTable::keyPressEvent(QKeyEvent* event) {
    const int column = event->key() - Qt::Key_1;
    if (isSortingEnabled() && event->modifiers() == Qt::ControlModifier && column >= 0 &&
        column < std::min(columnCount(), 9)) {
        const QHeaderView* header = horizontalHeader();
        const bool again = header->sortIndicatorSection() == column &&
                           header->sortIndicatorOrder() == Qt::AscendingOrder;
        sortByColumn(column, again ? Qt::DescendingOrder : Qt::AscendingOrder);
        if (currentIndex().isValid()) {
            scrollTo(currentIndex());
        }
        event->accept();
        return;
    }
    EmptyFocusView<QTableWidget>::keyPressEvent(event);
}

}  // namespace kalmero
