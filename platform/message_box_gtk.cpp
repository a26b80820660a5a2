#include <gtk/gtk.h>

#include <cstdio>
#include <string>

#include "platform/message_box_dialog.h"

namespace platform {

void ShowMessageDialog(std::string_view text) {
    static const bool haveDisplay = gtk_init_check(nullptr, nullptr);
    const std::string message(text);
    if (!haveDisplay) {
        std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(kMessageCaption.size()), kMessageCaption.data(),
                     message.c_str());
        return;
    }
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_OK,
                                               "%s", message.c_str());
    const std::string caption(kMessageCaption);
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();
}

}  // namespace platform
