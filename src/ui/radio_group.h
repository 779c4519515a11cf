#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

namespace kalmero {

// A framed one-column group of radio buttons with one selected index, or -1 for none.
// itemIndexChanged is emitted whenever the index changes, by the operator or by the program.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    // `itemWidth` keeps the buttons clear of controls laid over the frame's right part.
    RadioGroup(const QString& title, const QStringList& items, int itemWidth,
               QWidget* parent = nullptr);

    int itemIndex() const { return m_index; }
    // -1 (or any index out of range) clears the selection.
    void setItemIndex(int index);

signals:
    void itemIndexChanged(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeItems();

    QButtonGroup* m_buttons;
    int m_itemWidth;
    int m_index = -1;
};

}  // namespace kalmero
