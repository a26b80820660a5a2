#include <gtk/gtk.h>

#include <cstdio>
#include <string>

#include "platform/message_box_dialog.h"

namespace platform {
namespace {

// The modal window on screen that a message belongs over (a dialog that is open), if any.
GtkWindow* ActiveModalWindow() {
    GList* toplevels = gtk_window_list_toplevels();
    GtkWindow* active = nullptr;
    for (GList* t = toplevels; t; t = t->next) {
        GtkWindow* window = GTK_WINDOW(t->data);
        if (gtk_window_get_modal(window) && gtk_widget_get_visible(GTK_WIDGET(window))) active = window;
    }
    g_list_free(toplevels);
    return active;
}

}  // namespace

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
    // Shown over the dialog it answers, or in the middle of the screen.
    if (GtkWindow* owner = ActiveModalWindow()) {
        gtk_window_set_transient_for(GTK_WINDOW(dialog), owner);
        gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
    } else {
        gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    }
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();
}

}  // namespace platform
