// Dialogs on GTK 3: a window holding a GtkFixed on which every control of the template sits
// at its converted position, and a nested main loop that runs until EndDialog.

#include <fontconfig/fontconfig.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "app/framework/dialog.h"
#include "app/framework/message_queue.h"
#include "platform/resources.h"

namespace framework {
namespace {

constexpr int kDialogFontsResourceId = 2000;
constexpr int kIconSize = 32;
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct FontDescriptionFree {
    void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};
using FontDescriptionPtr = std::unique_ptr<PangoFontDescription, FontDescriptionFree>;

bool InitToolkit() {
    static const bool ready = [] {
        LoadDialogFonts();
        return gtk_init_check(nullptr, nullptr) != FALSE;
    }();
    return ready;
}

FontDescriptionPtr FontDescription(std::string_view face, int points) {
    FontDescriptionPtr description(pango_font_description_new());
    pango_font_description_set_family(description.get(), std::string(face).c_str());
    pango_font_description_set_size(description.get(), points * PANGO_SCALE);
    return description;
}

GObjectPtr<PangoLayout> FontLayout(std::string_view face, int points, std::string_view text) {
    GObjectPtr<PangoContext> context(gdk_pango_context_get());
    GObjectPtr<PangoLayout> layout(pango_layout_new(context.get()));
    pango_layout_set_font_description(layout.get(), FontDescription(face, points).get());
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
    return layout;
}

// The styles that make the toolkit's controls as compact as the template's rectangles: the
// dialog's font everywhere, and no padding or minimum size beyond what the text needs.
std::string DialogCss(const std::string& styleClass, const DialogTemplate& dialog) {
    const std::string scope = "." + styleClass;
    std::string css = scope + ", " + scope + " * { font-family: \"" + dialog.fontFace +
                      "\"; font-size: " + std::to_string(dialog.fontPoints) + "pt; }\n";
    css += scope + " button { padding: 0 4px; min-height: 0; min-width: 0; }\n";
    css += scope + " combobox button { padding: 0 4px; min-height: 0; }\n";
    css += scope + " checkbutton { padding: 0; }\n";
    css += scope + " check { min-width: 12px; min-height: 12px; margin: 0 4px 0 0; }\n";
    css += scope + " scale { padding: 0 6px; min-height: 0; }\n";
    css += scope + " scale trough { min-height: 4px; }\n";
    css += scope + " scale slider { min-width: 10px; min-height: 14px; margin: -6px 0; }\n";
    css += scope + " list row { padding: 0 3px; min-height: 0; }\n";
    return css;
}

GdkPixbuf* LoadIcon(int id) {
    const auto bytes = platform::FindResource(platform::ResourceType::kICON, id);
    if (!bytes) return nullptr;
    GObjectPtr<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
    const bool written = gdk_pixbuf_loader_write(loader.get(), bytes->data(), bytes->size(), nullptr) != FALSE;
    const bool closed = gdk_pixbuf_loader_close(loader.get(), nullptr) != FALSE;
    GdkPixbuf* image = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader.get()) : nullptr;
    return image ? gdk_pixbuf_scale_simple(image, kIconSize, kIconSize, GDK_INTERP_BILINEAR) : nullptr;
}

// The part of the screen windows may take (without panels), on the primary monitor or else
// the first; nothing without a display.
std::optional<GdkRectangle> WorkArea() {
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return std::nullopt;
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return std::nullopt;
    GdkRectangle area{};
    gdk_monitor_get_workarea(monitor, &area);
    if (area.width < 1 || area.height < 1) return std::nullopt;
    return area;
}

}  // namespace

void LoadDialogFonts() {
    static const bool loaded = [] {
        const auto bytes = platform::FindResource(platform::ResourceType::kRCDATA, kDialogFontsResourceId);
        const std::string xml = bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
        const bool parsed = bytes && FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(),
                                                                    reinterpret_cast<const FcChar8*>(xml.c_str()),
                                                                    FcTrue) == FcTrue;
        if (!parsed) std::fprintf(stderr, "Vantaro: the dialog fonts could not be set up\n");
        return parsed;
    }();
    (void)loaded;
}

std::optional<BaseUnits> MeasureBaseUnits(std::string_view face, int points) {
    if (!InitToolkit()) return std::nullopt;
    const auto layout = FontLayout(face, points, kAlphabet);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout.get(), &width, &height);
    return BaseUnits{(width / 26 + 1) / 2, height};
}

std::string ResolveFontFamily(std::string_view face, int points) {
    if (!InitToolkit()) return {};
    GObjectPtr<PangoContext> context(gdk_pango_context_get());
    GObjectPtr<PangoFont> font(pango_context_load_font(context.get(), FontDescription(face, points).get()));
    if (!font) return {};
    const FontDescriptionPtr described(pango_font_describe(font.get()));
    const char* family = pango_font_description_get_family(described.get());
    return family ? family : "";
}

int CountMissingGlyphs(std::string_view face, int points, std::string_view text) {
    if (!InitToolkit()) return -1;
    return pango_layout_get_unknown_glyphs_count(FontLayout(face, points, text).get());
}

struct CDialog::Impl {
    struct Control {
        Impl* dialog = nullptr;
        const ControlTemplate* source = nullptr;
        GtkWidget* widget = nullptr;  // the control itself
        GtkWidget* placed = nullptr;  // what sits on the dialog: the control or its scroller
    };

    Impl(CDialog& owner, int id, CDialog* parent) : self(owner), ownerDialog(parent), templateId(id) {}

    Control* Find(int id) {
        for (Control& c : controls) {
            if (c.source->id == id) return &c;
        }
        return nullptr;
    }
    const Control* Find(int id) const { return const_cast<Impl*>(this)->Find(id); }

    GtkWidget* Widget(int id, ControlKind kind) const {
        const Control* c = Find(id);
        return c && c->source->kind == kind ? c->widget : nullptr;
    }

    bool Build();
    void BuildControl(Control& control, GtkWidget* fixed);
    GtkWidget* MakeListBox(Control& control);
    GtkWidget* MakeLabel(const ControlTemplate& source);
    void Destroy();

    void Dispatch(int id);
    void ToggleItem(Control& control, GtkListBoxRow* row);
    void FocusNeighbour(const Control& from, bool forward);
    int DefaultButtonId() const;

    static void OnClicked(GtkButton*, gpointer control);
    static gboolean OnListButton(GtkWidget* list, GdkEventButton* event, gpointer control);
    static gboolean OnListKey(GtkWidget* list, GdkEventKey* event, gpointer control);
    static gboolean OnWindowKey(GtkWidget* window, GdkEventKey* event, gpointer impl);
    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer impl);
    static gboolean OnMapped(GtkWidget*, GdkEvent*, gpointer impl);
    static gboolean OnIdleAfterShow(gpointer impl);
    static void OnWindowDestroyed(GtkWidget*, gpointer impl);
    static gboolean OnTermination(gint, GIOCondition, gpointer impl);

    CDialog& self;
    CDialog* ownerDialog;
    int templateId;
    std::optional<DialogTemplate> dialog;
    BaseUnits base;
    int itemHeight = 0;
    std::string styleClass;
    GObjectPtr<GtkCssProvider> css;
    GtkWidget* window = nullptr;
    GtkWidget* fixed = nullptr;
    std::vector<Control> controls;
    std::unique_ptr<GMainLoop, decltype(&g_main_loop_unref)> loop{nullptr, g_main_loop_unref};
    std::string windowClass;
    int result = -1;
    bool ended = false;
    guint shownSource = 0;
    bool shownReported = false;
};

CDialog::CDialog(int templateId, CDialog* owner) : impl(std::make_unique<Impl>(*this, templateId, owner)) {}

CDialog::~CDialog() { impl->Destroy(); }

bool CDialog::Impl::Build() {
    std::string error;
    dialog = LoadDialogTemplate(templateId, &error);
    if (!dialog) {
        std::fprintf(stderr, "Vantaro: dialog %d cannot be shown: %s\n", templateId, error.c_str());
        return false;
    }
    const auto measured = MeasureBaseUnits(dialog->fontFace, dialog->fontPoints);
    if (!measured) return false;
    base = *measured;
    // Without the dialog's fonts (without any font at all, the measured line is thousands of
    // pixels high) the dialog would be larger than the screen and could not be used: its units
    // shrink until it fits, and the window is never made larger than the screen's work area.
    const std::optional<GdkRectangle> area = WorkArea();
    if (area && dialog->width > 0 && dialog->height > 0) {
        base.x = std::clamp(base.x, 1, std::max(1, area->width * 4 / dialog->width));
        base.y = std::clamp(base.y, 1, std::max(1, area->height * 8 / dialog->height));
    }
    itemHeight = base.y;

    styleClass = "vantaro-dialog-" + std::to_string(templateId);
    css.reset(gtk_css_provider_new());
    gtk_css_provider_load_from_data(css.get(), DialogCss(styleClass, *dialog).c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css.get()),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_style_context_add_class(gtk_widget_get_style_context(window), styleClass.c_str());
    gtk_window_set_title(GTK_WINDOW(window), dialog->title.c_str());
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);

    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    if (!windowClass.empty()) {
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_window_set_wmclass(GTK_WINDOW(window), windowClass.c_str(), windowClass.c_str());
        G_GNUC_END_IGNORE_DEPRECATIONS
    }
    if (ownerDialog && ownerDialog->impl->window) {
        gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(ownerDialog->impl->window));
        gtk_window_set_destroy_with_parent(GTK_WINDOW(window), TRUE);
        gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ON_PARENT);
    } else {
        gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    }

    fixed = gtk_fixed_new();
    const DialogRect client = DialogUnitsToPixels({0, 0, dialog->width, dialog->height}, base);
    gtk_widget_set_size_request(fixed, client.width, client.height);
    // The controls sit in a view that is as large as they are, up to the screen's work area:
    // text that needs more room than that (with broken font metrics) scrolls instead.
    GtkWidget* view = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_propagate_natural_width(GTK_SCROLLED_WINDOW(view), TRUE);
    gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(view), TRUE);
    if (area) {
        gtk_scrolled_window_set_max_content_width(GTK_SCROLLED_WINDOW(view), area->width);
        gtk_scrolled_window_set_max_content_height(GTK_SCROLLED_WINDOW(view), area->height);
    }
    gtk_container_add(GTK_CONTAINER(view), fixed);
    gtk_container_add(GTK_CONTAINER(window), view);

    controls.reserve(dialog->controls.size());  // the callbacks hold pointers into it
    GList* focusChain = nullptr;
    for (const ControlTemplate& source : dialog->controls) {
        controls.push_back({this, &source, nullptr, nullptr});
        BuildControl(controls.back(), fixed);
        if (source.HasStyle("tabstop")) focusChain = g_list_append(focusChain, controls.back().placed);
    }
    // Tab moves through the controls in template order, not by their places on the dialog.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(fixed), focusChain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(focusChain);

    g_signal_connect(window, "key-press-event", G_CALLBACK(OnWindowKey), this);
    g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(window, "map-event", G_CALLBACK(OnMapped), this);
    g_signal_connect(window, "destroy", G_CALLBACK(OnWindowDestroyed), this);
    return true;
}

GtkWidget* CDialog::Impl::MakeLabel(const ControlTemplate& source) {
    GtkWidget* label = gtk_label_new(source.caption.c_str());
    const bool centred = source.HasStyle("center");
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_justify(GTK_LABEL(label), centred ? GTK_JUSTIFY_CENTER : GTK_JUSTIFY_LEFT);
    gtk_label_set_xalign(GTK_LABEL(label), centred ? 0.5f : 0.0f);
    gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
    return label;
}

GtkWidget* CDialog::Impl::MakeListBox(Control& control) {
    GtkWidget* list = gtk_list_box_new();
    // The toolkit's own selection would follow the cursor keys; the list keeps its selection
    // as row states instead, changed only by clicks and Space.
    gtk_list_box_set_selection_mode(GTK_LIST_BOX(list), GTK_SELECTION_NONE);
    g_signal_connect(list, "button-press-event", G_CALLBACK(OnListButton), &control);
    g_signal_connect(list, "key-press-event", G_CALLBACK(OnListKey), &control);
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroller), FALSE);
    if (control.source->HasStyle("border")) gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(scroller), list);
    control.widget = list;
    return scroller;
}

void CDialog::Impl::BuildControl(Control& control, GtkWidget* parent) {
    const ControlTemplate& source = *control.source;
    GtkWidget* placed = nullptr;
    switch (source.kind) {
        case ControlKind::DefPushButton:
        case ControlKind::PushButton:
            placed = gtk_button_new_with_label(source.caption.c_str());
            g_signal_connect(placed, "clicked", G_CALLBACK(OnClicked), &control);
            if (source.kind == ControlKind::DefPushButton) {
                gtk_widget_set_can_default(placed, TRUE);
                gtk_window_set_default(GTK_WINDOW(window), placed);
            }
            break;
        case ControlKind::CheckBox:
            placed = gtk_check_button_new_with_label(source.caption.c_str());
            g_signal_connect(placed, "clicked", G_CALLBACK(OnClicked), &control);
            break;
        case ControlKind::Label: placed = MakeLabel(source); break;
        case ControlKind::ComboBox:
            placed = gtk_combo_box_text_new();
            for (const std::string& item : source.items) {
                gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(placed), item.c_str());
            }
            break;
        case ControlKind::ListBox: placed = MakeListBox(control); break;
        case ControlKind::Slider:
            placed = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
            gtk_scale_set_draw_value(GTK_SCALE(placed), FALSE);
            gtk_range_set_round_digits(GTK_RANGE(placed), 0);
            break;
        case ControlKind::Icon: {
            GdkPixbuf* icon = LoadIcon(std::atoi(source.caption.c_str()));
            placed = icon ? gtk_image_new_from_pixbuf(icon) : gtk_image_new();
            if (icon) g_object_unref(icon);
            gtk_widget_set_halign(placed, GTK_ALIGN_START);
            break;
        }
    }
    if (!control.widget) control.widget = placed;
    control.placed = placed;
    const DialogRect r = DialogUnitsToPixels(source.rect, base);
    // Only controls with a tab stop take the focus; the others keep their own setting, since
    // some (a drop-down list) take it through an inner part.
    if (placed != control.widget) gtk_widget_set_can_focus(placed, FALSE);
    if (!source.HasStyle("tabstop")) gtk_widget_set_can_focus(control.widget, FALSE);
    // A drop-down list's height in the template includes its open list; closed, it is as
    // tall as its text needs. An icon is shown at its own size.
    const bool ownHeight = source.kind == ControlKind::ComboBox || source.kind == ControlKind::Icon;
    gtk_widget_set_size_request(placed, source.kind == ControlKind::Icon ? kIconSize : r.width,
                                ownHeight ? -1 : r.height);
    gtk_fixed_put(GTK_FIXED(parent), placed, r.x, r.y);
}

void CDialog::Impl::Destroy() {
    if (shownSource) g_source_remove(shownSource);
    shownSource = 0;
    GtkWidget* ours = window;
    window = nullptr;  // so that its destruction is known to be ours
    fixed = nullptr;
    if (ours) gtk_widget_destroy(ours);
    controls.clear();
    if (css) {
        gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css.get()));
        css.reset();
    }
}

int CDialog::Impl::DefaultButtonId() const {
    for (const Control& c : controls) {
        if (c.source->kind == ControlKind::DefPushButton) return c.source->id;
    }
    return IDOK;
}

void CDialog::Impl::Dispatch(int id) {
    if (id == IDOK) {
        self.OnOK();
    } else if (id == IDCANCEL) {
        self.OnCancel();
    } else {
        self.OnCommand(id, Notification::Clicked);
    }
}

void CDialog::Impl::ToggleItem(Control& control, GtkListBoxRow* row) {
    GtkWidget* w = GTK_WIDGET(row);
    if (gtk_widget_get_state_flags(w) & GTK_STATE_FLAG_SELECTED) {
        gtk_widget_unset_state_flags(w, GTK_STATE_FLAG_SELECTED);
    } else {
        gtk_widget_set_state_flags(w, GTK_STATE_FLAG_SELECTED, FALSE);
    }
    if (control.source->HasStyle("notify")) self.OnCommand(control.source->id, Notification::SelectionChanged);
}

void CDialog::Impl::OnClicked(GtkButton*, gpointer data) {
    auto* control = static_cast<Control*>(data);
    control->dialog->Dispatch(control->source->id);
}

gboolean CDialog::Impl::OnListButton(GtkWidget* list, GdkEventButton* event, gpointer data) {
    // Each press toggles one item; the extra events of a double click toggle nothing more.
    if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_PRIMARY) return TRUE;
    auto* control = static_cast<Control*>(data);
    GtkListBoxRow* row = gtk_list_box_get_row_at_y(GTK_LIST_BOX(list), static_cast<int>(event->y));
    gtk_widget_grab_focus(row ? GTK_WIDGET(row) : list);
    if (row) control->dialog->ToggleItem(*control, row);
    return TRUE;
}

// Tab leaves a list for the next control in tab order (the toolkit's list would move from item
// to item instead).
void CDialog::Impl::FocusNeighbour(const Control& from, bool forward) {
    const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(controls.size());
    const std::ptrdiff_t start = &from - controls.data();
    for (std::ptrdiff_t step = 1; step < count; ++step) {
        const Control& c = controls[static_cast<std::size_t>((start + (forward ? step : count - step)) % count)];
        if (c.source->HasStyle("tabstop") && gtk_widget_is_sensitive(c.widget) &&
            gtk_widget_child_focus(c.placed, forward ? GTK_DIR_TAB_FORWARD : GTK_DIR_TAB_BACKWARD)) {
            return;
        }
    }
}

gboolean CDialog::Impl::OnListKey(GtkWidget* list, GdkEventKey* event, gpointer data) {
    auto* control = static_cast<Control*>(data);
    if (event->keyval == GDK_KEY_Tab || event->keyval == GDK_KEY_ISO_Left_Tab) {
        const bool back = event->keyval == GDK_KEY_ISO_Left_Tab || (event->state & GDK_SHIFT_MASK);
        control->dialog->FocusNeighbour(*control, !back);
        return TRUE;
    }
    if (event->keyval != GDK_KEY_space) return FALSE;
    GtkWidget* focused = gtk_container_get_focus_child(GTK_CONTAINER(list));
    if (focused && GTK_IS_LIST_BOX_ROW(focused)) {
        control->dialog->ToggleItem(*control, GTK_LIST_BOX_ROW(focused));
    }
    return TRUE;
}

gboolean CDialog::Impl::OnWindowKey(GtkWidget* window, GdkEventKey* event, gpointer data) {
    auto* impl = static_cast<Impl*>(data);
    if (event->keyval == GDK_KEY_Escape) {
        impl->self.OnCancel();
        return TRUE;
    }
    if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) {
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
        const bool onPushButton = focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus);
        if (onPushButton) return FALSE;  // the focused button presses itself
        const int id = impl->DefaultButtonId();
        if (impl->self.IsWindowEnabled(id)) impl->Dispatch(id);
        return TRUE;
    }
    return FALSE;
}

gboolean CDialog::Impl::OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<Impl*>(data)->self.OnCancel();
    return TRUE;
}

gboolean CDialog::Impl::OnMapped(GtkWidget*, GdkEvent*, gpointer data) {
    auto* impl = static_cast<Impl*>(data);
    if (!impl->shownSource && !impl->shownReported) impl->shownSource = g_idle_add(OnIdleAfterShow, impl);
    return FALSE;
}

gboolean CDialog::Impl::OnIdleAfterShow(gpointer data) {
    auto* impl = static_cast<Impl*>(data);
    impl->shownSource = 0;
    impl->shownReported = true;
    impl->self.OnShown();
    return G_SOURCE_REMOVE;
}

// The window was destroyed by someone else (another client destroyed it, or its owner went):
// the dialog ends as Cancel ends it, since nobody can answer it any more.
void CDialog::Impl::OnWindowDestroyed(GtkWidget*, gpointer data) {
    auto* impl = static_cast<Impl*>(data);
    if (!impl->window) return;  // our own Destroy
    impl->window = nullptr;
    impl->fixed = nullptr;
    if (!impl->ended) impl->self.EndDialog(IDCANCEL);
}

// A termination signal ends the dialog as Cancel does (the descriptor stays readable, so that
// a dialog beneath it ends as well).
gboolean CDialog::Impl::OnTermination(gint, GIOCondition, gpointer data) {
    auto* impl = static_cast<Impl*>(data);
    if (!impl->ended) impl->self.EndDialog(IDCANCEL);
    return G_SOURCE_CONTINUE;
}

int CDialog::DoModal() {
    if (!InitToolkit()) {
        std::fprintf(stderr, "Vantaro: no display for dialog\n");
        return -1;
    }
    if (!impl->Build()) {
        impl->Destroy();
        return -1;
    }
    impl->ended = false;
    impl->shownReported = false;
    OnInitDialog();
    if (!impl->ended) {
        gtk_widget_show_all(impl->window);
        impl->loop.reset(g_main_loop_new(nullptr, FALSE));
        const int wake = TerminationWakeDescriptor();
        const guint watch = wake >= 0 ? g_unix_fd_add(wake, G_IO_IN, &Impl::OnTermination, impl.get()) : 0;
        if (TerminationRequested()) EndDialog(IDCANCEL);
        if (!impl->ended) g_main_loop_run(impl->loop.get());
        if (watch) g_source_remove(watch);
        impl->loop.reset();
    }
    impl->Destroy();
    while (gtk_events_pending()) gtk_main_iteration();
    return impl->result;
}

void CDialog::EndDialog(int code) {
    impl->result = code;
    impl->ended = true;
    if (impl->loop) g_main_loop_quit(impl->loop.get());
}

const DialogTemplate* CDialog::Template() const { return impl->dialog ? &*impl->dialog : nullptr; }

namespace {

// Where a widget of the dialog stands on the screen.
DialogRect ScreenRect(GtkWidget* widget) {
    GtkWidget* top = gtk_widget_get_toplevel(widget);
    int x = 0;
    int y = 0;
    gtk_widget_translate_coordinates(widget, top, 0, 0, &x, &y);
    int originX = 0;
    int originY = 0;
    gdk_window_get_origin(gtk_widget_get_window(top), &originX, &originY);
    return {originX + x, originY + y, gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget)};
}

}  // namespace

std::optional<DialogRect> CDialog::ClientRect() const {
    if (!impl->fixed || !gtk_widget_get_realized(impl->fixed)) return std::nullopt;
    return ScreenRect(impl->fixed);
}

std::optional<DialogRect> CDialog::ControlRect(int id) const {
    const Impl::Control* c = impl->Find(id);
    if (!c || !impl->fixed || !gtk_widget_get_realized(impl->fixed)) return std::nullopt;
    return ScreenRect(c->placed);
}

int CDialog::ListItemHeight() const { return impl->itemHeight; }

void CDialog::SetWindowClassName(std::string name) { impl->windowClass = std::move(name); }

void CDialog::EnableWindow(int id, bool enable) {
    if (const Impl::Control* c = impl->Find(id)) gtk_widget_set_sensitive(c->widget, enable);
}

bool CDialog::IsWindowEnabled(int id) const {
    const Impl::Control* c = impl->Find(id);
    return c && gtk_widget_get_sensitive(c->widget);
}

void CDialog::SetFocus(int id) {
    if (const Impl::Control* c = impl->Find(id)) gtk_widget_grab_focus(c->widget);
}

bool CDialog::GetCheck(int id) const {
    GtkWidget* w = impl->Widget(id, ControlKind::CheckBox);
    return w && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w));
}

void CDialog::SetCheck(int id, bool checked) {
    if (GtkWidget* w = impl->Widget(id, ControlKind::CheckBox)) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), checked);
}

int CDialog::GetCurSel(int id) const {
    GtkWidget* w = impl->Widget(id, ControlKind::ComboBox);
    return w ? gtk_combo_box_get_active(GTK_COMBO_BOX(w)) : -1;
}

void CDialog::SetCurSel(int id, int index) {
    if (GtkWidget* w = impl->Widget(id, ControlKind::ComboBox)) gtk_combo_box_set_active(GTK_COMBO_BOX(w), index);
}

void CDialog::SetRange(int id, int low, int high) {
    GtkWidget* w = impl->Widget(id, ControlKind::Slider);
    if (!w || high < low) return;
    gtk_range_set_range(GTK_RANGE(w), low, high);
    gtk_range_set_increments(GTK_RANGE(w), 1, std::max(1, (high - low) / 5));
}

// The slider keeps a position outside its range at the nearer end.
void CDialog::SetPos(int id, int position) {
    if (GtkWidget* w = impl->Widget(id, ControlKind::Slider)) gtk_range_set_value(GTK_RANGE(w), position);
}

int CDialog::GetPos(int id) const {
    GtkWidget* w = impl->Widget(id, ControlKind::Slider);
    return w ? static_cast<int>(std::lround(gtk_range_get_value(GTK_RANGE(w)))) : 0;
}

void CDialog::SetListItems(int id, const std::vector<std::string>& texts) {
    GtkWidget* list = impl->Widget(id, ControlKind::ListBox);
    if (!list) return;
    GList* rows = gtk_container_get_children(GTK_CONTAINER(list));
    bool same = g_list_length(rows) == texts.size();
    std::size_t i = 0;
    for (GList* r = rows; same && r; r = r->next, ++i) {
        GtkWidget* label = gtk_bin_get_child(GTK_BIN(r->data));
        same = texts[i] == gtk_label_get_text(GTK_LABEL(label));
    }
    if (!same) {
        for (GList* r = rows; r; r = r->next) gtk_widget_destroy(GTK_WIDGET(r->data));
        for (const std::string& text : texts) {
            GtkWidget* label = gtk_label_new(text.c_str());
            gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
            gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
            gtk_widget_set_size_request(label, -1, impl->itemHeight);
            gtk_list_box_insert(GTK_LIST_BOX(list), label, -1);
        }
        gtk_widget_show_all(list);
    }
    g_list_free(rows);
}

void CDialog::SetSel(int id, int index, bool selected) {
    GtkWidget* list = impl->Widget(id, ControlKind::ListBox);
    GtkListBoxRow* row = list ? gtk_list_box_get_row_at_index(GTK_LIST_BOX(list), index) : nullptr;
    if (!row) return;
    if (selected) {
        gtk_widget_set_state_flags(GTK_WIDGET(row), GTK_STATE_FLAG_SELECTED, FALSE);
    } else {
        gtk_widget_unset_state_flags(GTK_WIDGET(row), GTK_STATE_FLAG_SELECTED);
    }
}

std::vector<bool> CDialog::GetSelection(int id) const {
    std::vector<bool> selection;
    GtkWidget* list = impl->Widget(id, ControlKind::ListBox);
    for (int i = 0; list; ++i) {
        GtkListBoxRow* row = gtk_list_box_get_row_at_index(GTK_LIST_BOX(list), i);
        if (!row) break;
        selection.push_back((gtk_widget_get_state_flags(GTK_WIDGET(row)) & GTK_STATE_FLAG_SELECTED) != 0);
    }
    return selection;
}

}  // namespace framework
