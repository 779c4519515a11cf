#pragma once

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QPaintEvent>
#include <QStringList>
#include <QTableWidget>

class QKeyEvent;

namespace kalmero {

// Draws the keyboard's focus frame inside an item view's viewport.
void paintEmptyFocus(QWidget* viewport);

// An item view that shows its keyboard focus also when it has no rows: the style marks the
// focus on the current row, and an empty view has none.
template <class View>
class EmptyFocusView : public View {
public:
    using View::View;

protected:
    void paintEvent(QPaintEvent* event) override {
        View::paintEvent(event);
        if (this->hasFocus() && this->model() != nullptr &&
            this->model()->rowCount(this->rootIndex()) == 0) {
            paintEmptyFocus(this->viewport());
        }
    }
    void focusInEvent(QFocusEvent* event) override {
        View::focusInEvent(event);
        this->viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        View::focusOutEvent(event);
        this->viewport()->update();
    }
};

// A table of texts to read: whole rows selected one at a time, alternating colours, no row
// numbers; Tab leaves it for the next control. Sortable ones (setSortingEnabled) sort from
// the keyboard too: Ctrl+1 to Ctrl+9 by that column, the same key again the other way.
class ReadOnlyTable : public EmptyFocusView<QTableWidget> {
public:
    ReadOnlyTable(const QStringList& headers, int rows, const QString& name, QWidget* parent);

    // What the tip of a sortable table says of its keys.
    static QString sortKeysTip(int columns);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace kalmero
