#include "ui/radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>

namespace kalmero {

RadioGroup::RadioGroup(const QString& title, const QStringList& items, int itemWidth,
                       QWidget* parent)
    : QGroupBox(title, parent), m_buttons(new QButtonGroup(this)), m_itemWidth(itemWidth) {
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        m_buttons->addButton(button, i);
    }
    // Toggling covers the mouse, the arrow keys and the program alike.
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            setItemIndex(id);
        }
    });
    placeItems();
}

void RadioGroup::setItemIndex(int index) {
    if (index < 0 || index >= m_buttons->buttons().size()) {
        index = -1;
    }
    if (index == -1) {
        // An exclusive group keeps one button checked; let go of it for a moment.
        m_buttons->setExclusive(false);
        for (QAbstractButton* button : m_buttons->buttons()) {
            button->setChecked(false);
        }
        m_buttons->setExclusive(true);
    } else {
        m_buttons->button(index)->setChecked(true);
    }
    if (index != m_index) {
        m_index = index;
        emit itemIndexChanged(index);
    }
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    placeItems();
}

void RadioGroup::placeItems() {
    const QList<QAbstractButton*> buttons = m_buttons->buttons();
    if (buttons.isEmpty()) {
        return;
    }
    // The items share the frame's height below its caption evenly, each centred in its share.
    const int top = fontMetrics().height() + 2;
    const int share = (height() - top - 4) / static_cast<int>(buttons.size());
    for (int i = 0; i < buttons.size(); ++i) {
        const int itemHeight = buttons[i]->sizeHint().height();
        buttons[i]->setGeometry(8, top + i * share + (share - itemHeight) / 2, m_itemWidth,
                                itemHeight);
    }
}

}  // namespace kalmero
