#include "shell/popup_menu.h"

namespace kestro {

// The table is in MenuItem's order, so the item is its row's index.
static_assert([] {
    for (std::size_t i = 0; i < kPopupMenu.size(); ++i) {
        if (static_cast<std::size_t>(kPopupMenu[i].item) != i) {
            return false;
        }
    }
    return true;
}());

const MenuRow& MenuRowOf(MenuItem item) {
    return kPopupMenu.at(static_cast<std::size_t>(item));
}

std::string OpacityStepCaption(int32_t percent) {
    return std::to_string(percent) + "%";
}

}  // namespace kestro
