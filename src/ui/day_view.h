#pragma once

#include <QRect>
#include <QSize>
#include <QTimer>
#include <QWidget>
#include <cstddef>
#include <optional>

#include "session/station_settings.h"
#include "ui/day_picture.h"

class QLabel;
class QScrollArea;

namespace kalmero {

// Paints a DayPicture at 1:1; tells a hovering person what a bar is and reports a click on
// one. Takes focus: the arrows move a cursor between the records (left and right within an
// hour's row, up and down between rows), Enter reports the record under it like a click.
class DayPictureWidget : public QWidget {
    Q_OBJECT
public:
    explicit DayPictureWidget(QWidget* parent = nullptr);

    // Replaces the picture shown and takes its size; the cursor stays on its record.
    void setPicture(DayPicture picture);
    const DayPicture& picture() const { return m_picture; }
    // Outlines a record's bar (the row selected in the result list); the cursor goes there.
    void setHighlighted(std::size_t resultIndex);
    // Lays the picture out as wide as `width` (the view's) and takes its new size.
    void fitWidth(int width);

signals:
    // A bar was clicked, or Enter pressed on it: the result index of its record.
    void itemClicked(std::size_t resultIndex);
    // The cursor moved to a record: its bar's rectangle, to be scrolled into view.
    void cursorMoved(QRect bar);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void moveCursor(std::optional<std::size_t> to);

    DayPicture m_picture;
    int m_fitWidth = 0;  // 0: the picture's own width
};

// Where the day view opens, and where the main window then stands, as frame rectangles on
// `available` (the screen's free area). Beside the main window's frame `main` without
// overlap where one side leaves at least `least` wide (the right side first); where only
// both sides together do, the main window moves to the screen's left edge and the view
// takes the room on its right. Where neither does, the main window moves to the right edge
// and the view covers its left part up to `keepClear` (the result list and the commands,
// which stay in sight). As `wanted` large as the room allows, never smaller than `least`;
// the top level with the main window's where the height allows.
struct DayViewPlaces {
    QRect view;
    QRect main;

    bool operator==(const DayViewPlaces&) const = default;
};
DayViewPlaces dayViewPlacement(const QRect& main, const QRect& keepClear, const QRect& available,
                               QSize wanted, QSize least);

// "Podgląd dnia": the picture of the compiled day in a scrolling window of its own, beside
// the main window rather than over it, and remembered where the operator leaves it.
class DayView : public QWidget {
    Q_OBJECT
public:
    // An ordinary top-level window, not kept above `owner` (nor modal); deleted with it.
    explicit DayView(QWidget* owner = nullptr);

    // Shows the picture of a new compile; the scroll position stays where it was, the window
    // title names the day.
    void setPicture(DayPicture picture);
    // Outlines a record's bar and scrolls it into view.
    void showItem(std::size_t resultIndex);
    // Shows the window: where it was left (`remembered`, when it still lies on a screen),
    // else beside `main`, moving it aside when that makes room, keeping `keepClear`
    // (global coordinates) in sight.
    void showBeside(QWidget& main, const QRect& keepClear,
                    const std::optional<WindowPlace>& remembered = std::nullopt);
    // Where it stands now.
    WindowPlace place() const;
    // Raises the window and gives it the keyboard.
    void bringForward();

signals:
    // A bar was clicked or chosen with Enter: the result index of its record.
    void itemClicked(std::size_t resultIndex);
    // Comes with itemClicked: the result list should be brought forward to show the row.
    void mainWindowWanted();
    // The operator moved or resized the window (once it settles): to be stored. Not told
    // for the place the window opened at.
    void placeChanged(WindowPlace place);

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_hint;
    QScrollArea* m_scroll;
    DayPictureWidget* m_canvas;
    QTimer m_settle;
    // Where the window stood when last shown or told: a settling that ends there is no move.
    std::optional<WindowPlace> m_told;
};

}  // namespace kalmero
