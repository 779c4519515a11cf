#include "ui/row_texts.h"

namespace kalmero {

std::string mixRowSubItem(const TPozycja& r) {
    const std::string_view performer = r.value(Pole::Wyk);
    const std::string_view title = r.value(Pole::Tyt);
    std::string text;
    text.reserve(performer.size() + 3 + title.size());
    text += performer;
    text += " - ";
    text += title;
    return text;
}

std::string_view lstRowCaption(const Lista& list, std::size_t index) {
    const std::string_view emi = list[index].value(Pole::Emi);
    if (index > 0 && list[index - 1].value(Pole::Emi) == emi) {
        return {};
    }
    return emi;
}

}  // namespace kalmero
