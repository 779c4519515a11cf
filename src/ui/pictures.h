#pragma once

#include <QIcon>
#include <QWidget>

namespace kalmero {

// The button pictures, drawn here so the program carries no image files.
QIcon folderOpenIcon();  // load playlist, load advert list
QIcon compileIcon();     // "Przelicz": gears over a clock face
QIcon saveIcon();        // "Zapisz plik wynikowy": a floppy disk
QIcon matrixIcon();      // "Matryca breaków": a small green and red grid
QIcon okIcon();          // "OK": a green tick
QIcon warningIcon();     // the placement notice: a red triangle with "!"

// The top panel's picture: a studio hour clock, an on-air lamp and a sound wave over a
// light gradient, drawn at whatever size the widget has. It takes no input, so the
// controls laid over it get every click.
class StudioBanner : public QWidget {
    Q_OBJECT
public:
    explicit StudioBanner(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kalmero
