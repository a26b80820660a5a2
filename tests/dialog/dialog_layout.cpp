// For the end-to-end tests: where the controls of a dialog stand, in pixels of its client
// area, on the display named by $DISPLAY.
//   dialog_layout ID    one line per control with an id: "ID X Y WIDTH HEIGHT"; then
//                       "item HEIGHT", the height of a list-box item

#include <cstdio>
#include <cstdlib>

#include "app/framework/dialog.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialog_layout ID\n");
        return 2;
    }
    const auto dialog = framework::LoadDialogTemplate(std::atoi(argv[1]));
    const auto base = dialog ? framework::MeasureBaseUnits(dialog->fontFace, dialog->fontPoints) : std::nullopt;
    if (!base) {
        std::fprintf(stderr, "dialog_layout: no such dialog, or no display\n");
        return 1;
    }
    for (const auto& control : dialog->controls) {
        if (control.id == framework::IDC_STATIC) continue;
        const framework::DialogRect r = framework::DialogUnitsToPixels(control.rect, *base);
        std::printf("%d %d %d %d %d\n", control.id, r.x, r.y, r.width, r.height);
    }
    std::printf("item %d\n", base->y);
    return 0;
}
