#include "ui/list_models.h"

#include <QFont>

#include "compiler/day_report.h"
#include "platform/encoding.h"
#include "ui/row_texts.h"

namespace kalmero {

namespace {

const QColor kEvenRow(221, 221, 221);
const QColor kOddRow(255, 255, 255);

QFont boldFont() {
    QFont font;
    font.setBold(true);
    return font;
}

}  // namespace

std::optional<QColor> typeBackground(std::string_view typLine) {
    if (typLine == "Typ=SND") {
        return QColor(0, 0, 128);
    }
    if (typLine == "Typ=JNG") {
        return QColor(0, 128, 128);
    }
    if (typLine == "Typ=REK") {
        return QColor(255, 0, 0);
    }
    if (typLine == "Typ=DJ_") {
        return QColor(0, 0, 255);
    }
    if (typLine == "Typ=BRK") {
        return QColor(0, 128, 0);
    }
    return std::nullopt;
}

ListModel::ListModel(ListId which, const Lista& list, QObject* parent)
    : QAbstractTableModel(parent), m_which(which), m_list(list) {}

int ListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int ListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    return section == 0 ? QStringLiteral("start") : QStringLiteral("pozycja");
}

QString ListModel::cellText(std::size_t row, int column) const {
    const TPozycja& entry = m_list[row];
    std::string bytes;
    if (m_which == ListId::Adverts) {
        bytes = column == 0 ? lstRowCaption(m_list, row) : entry.value(Field::Tyt);
    } else {
        bytes = column == 0 ? std::string(entry.value(Field::Emi)) : mixRowSubItem(entry);
    }
    return QString::fromStdString(cp1250ToUtf8(bytes));
}

QVariant ListModel::cellBackground(std::size_t row, int column) const {
    const bool even = row % 2 == 0;
    if (m_which == ListId::Adverts) {
        return even ? QVariant(kEvenRow) : QVariant();
    }
    if (column == 1) {
        return even ? kEvenRow : kOddRow;
    }
    if (const auto colour = typeBackground(m_list[row].line(Field::Typ))) {
        return *colour;
    }
    return {};
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    // A list is replaced before its view is told; rows past its end show nothing meanwhile.
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_list.size()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            return cellText(row, column);
        case Qt::BackgroundRole:
            return cellBackground(row, column);
        case Qt::ForegroundRole:
            if (column == 1) {
                return QColor(0, 0, 0);
            }
            // Yellow reads on the type colours only; an unknown type keeps the view's text
            // colour on the view's background.
            if (m_which == ListId::Adverts || !typeBackground(m_list[row].line(Field::Typ))) {
                return QVariant();
            }
            return QVariant(QColor(255, 255, 0));
        case Qt::FontRole:
            return column == 0 ? QVariant(boldFont()) : QVariant();
        case Qt::ToolTipRole:
            // The column has no room for the clock's time of an item past midnight.
            if (column == 0 && m_which == ListId::Result && m_list[row].CzasStart >= kDayMs) {
                return QString::fromStdString(clockText(m_list[row].CzasStart));
            }
            return {};
        default:
            return {};
    }
}

void ListModel::clearRows() {
    beginResetModel();
    m_rows = 0;
    m_pending = 0;
    endResetModel();
}

void ListModel::setRowCount(std::size_t count) {
    Q_ASSERT(count >= static_cast<std::size_t>(m_rows));
    m_pending = static_cast<int>(count) - m_rows;
}

void ListModel::flush() {
    if (m_pending == 0) {
        return;
    }
    beginInsertRows({}, m_rows, m_rows + m_pending - 1);
    m_rows += m_pending;
    m_pending = 0;
    endInsertRows();
}

}  // namespace kalmero
