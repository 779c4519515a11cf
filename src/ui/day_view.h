#pragma once

#include <QDialog>
#include <QWidget>
#include <cstddef>

#include "ui/day_picture.h"

class QScrollArea;

namespace kalmero {

// Paints a DayPicture at 1:1; tells a hovering person what a bar is and reports a click on
// one.
class DayPictureWidget : public QWidget {
    Q_OBJECT
public:
    explicit DayPictureWidget(QWidget* parent = nullptr);

    // Replaces the picture shown and takes its size.
    void setPicture(DayPicture picture);
    const DayPicture& picture() const { return m_picture; }
    // Outlines a record's bar (the row selected in the result list).
    void setHighlighted(std::size_t resultIndex);

signals:
    // A bar was clicked: the result index of its record.
    void itemClicked(std::size_t resultIndex);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    DayPicture m_picture;
};

// "Podgląd dnia": the picture of the compiled day in a scrolling, non-modal window.
class DayView : public QDialog {
    Q_OBJECT
public:
    explicit DayView(QWidget* parent = nullptr);

    // Shows the picture of a new compile; the scroll position stays where it was.
    void setPicture(DayPicture picture);
    // Outlines a record's bar and scrolls it into view.
    void showItem(std::size_t resultIndex);

signals:
    // A bar was clicked: the result index of its record.
    void itemClicked(std::size_t resultIndex);

private:
    QScrollArea* m_scroll;
    DayPictureWidget* m_canvas;
};

}  // namespace kalmero
