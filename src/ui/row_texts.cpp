#include "ui/row_texts.h"

namespace kalmero {

std::string mixRowSubItem(const TPozycja& r) {
    const std::string_view performer = r.value(Field::Wyk);
    const std::string_view title = r.value(Field::Tyt);
    std::string text;
    text.reserve(performer.size() + 3 + title.size());
    text += performer;
    text += " - ";
    text += title;
    return text;
}

std::string_view lstRowCaption(const Lista& list, std::size_t index) {
    const std::string_view emi = list[index].value(Field::Emi);
    if (index > 0 && list[index - 1].value(Field::Emi) == emi) {
        return {};
    }
    return emi;
}

}  // namespace kalmero
