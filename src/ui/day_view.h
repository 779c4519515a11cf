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
};

// Where the day view opens, as a frame rectangle on `available` (the screen's free area):
// right of the main window's frame `main` when that leaves at least `least` wide, else left
// of it; when neither side has room, at the screen's left edge as far as the result list
// `keepClear` allows (it overlaps the main window's playlist, not the rows a click selects).
// As `wanted` large as the room allows, never smaller than `least`; the top level with
// the main window's where the height allows.
QRect dayViewPlacement(const QRect& main, const QRect& keepClear, const QRect& available,
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
    // else beside `main` keeping `keepClear` (global coordinates) in sight.
    void showBeside(const QWidget& main, const QRect& keepClear,
                    const std::optional<WindowPlace>& remembered = std::nullopt);
    // Where it stands now.
    WindowPlace place() const;

signals:
    // A bar was clicked or chosen with Enter: the result index of its record.
    void itemClicked(std::size_t resultIndex);
    // Comes with itemClicked: the result list should be brought forward to show the row.
    void mainWindowWanted();
    // The operator moved or resized the window (once it settles): to be stored.
    void placeChanged(WindowPlace place);

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* m_hint;
    QScrollArea* m_scroll;
    DayPictureWidget* m_canvas;
    QTimer m_settle;
};

}  // namespace kalmero
