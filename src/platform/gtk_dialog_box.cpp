// The dialog seam drawn with GTK 3 on X11, on the shared dialog manager (dialog_manager.cpp):
// one GtkWindow with a GtkFixed holding a widget per control at the template's place, sized from
// dialog units in the template's font (or the system's sans font), and the dialog manager's
// keyboard handling (Enter, Escape, Tab) done here since GTK's own differs.
#include "platform/dialog_box.h"
#include "platform/dialog_box_internal.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <string>

static GtkWidget* widgetOf(const DialogControl& control) {
    return static_cast<GtkWidget*>(control.widget);
}

static GtkWidget* windowOf(const Dialog& dialog) {
    return static_cast<GtkWidget*>(dialog.window);
}

// ---- mirroring the dialog manager's state ------------------------------------------------------

void dialogWidgetAppendItem(Dialog&, DialogControl& control) {
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(widgetOf(control)),
                                   control.items.back().c_str());
}

void dialogWidgetShowSelection(Dialog& dialog, DialogControl& control) {
    ++dialog.mirroring;
    gtk_combo_box_set_active(GTK_COMBO_BOX(widgetOf(control)), control.selection);
    --dialog.mirroring;
}

void dialogWidgetShowCheck(Dialog& dialog, DialogControl& control) {
    ++dialog.mirroring;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widgetOf(control)), control.check != 0);
    --dialog.mirroring;
}

// ---- fonts and units -------------------------------------------------------------------------

static const char* fallbackFontFamily = "Sans"; // the system's sans alias

static bool fontInstalled(const char* family) {
    PangoFontMap* fonts = pango_cairo_font_map_get_default();
    PangoFontFamily** families = nullptr;
    int count = 0;
    pango_font_map_list_families(fonts, &families, &count);
    bool found = false;
    for (int i = 0; i < count && !found; ++i)
        found = g_ascii_strcasecmp(pango_font_family_get_name(families[i]), family) == 0;
    g_free(families);
    return found;
}

static std::string fontFamilyFor(const DialogTemplate* dialog) {
    if (dialog->fontFace && *dialog->fontFace && fontInstalled(dialog->fontFace))
        return dialog->fontFace;
    return fallbackFontFamily;
}

// Dots per inch at which points become pixels: the screen's when GTK knows it, else 96.
static double fontResolution() {
    GdkScreen* screen = gdk_screen_get_default();
    double dpi = screen ? gdk_screen_get_resolution(screen) : -1.0;
    return dpi > 0 ? dpi : 96.0;
}

int dialogBaseUnits(const DialogTemplate* dialog, int* baseX, int* baseY) {
    *baseX = *baseY = 0;
    if (!dialog) return 0;
    PangoFontMap* fonts = pango_cairo_font_map_get_default();
    if (!fonts) return 0;
    PangoContext* context = pango_font_map_create_context(fonts);
    pango_cairo_context_set_resolution(context, fontResolution());
    PangoFontDescription* font = pango_font_description_new();
    std::string family = fontFamilyFor(dialog);
    pango_font_description_set_family(font, family.c_str());
    pango_font_description_set_size(font,
                                    (dialog->pointSize > 0 ? dialog->pointSize : 8) * PANGO_SCALE);
    pango_font_description_set_weight(font, dialog->fontWeight > 0 ? PangoWeight(dialog->fontWeight)
                                                                   : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(font,
                                     dialog->italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_context_set_font_description(context, font);

    // The average width is that of the 52 letters, rounded to whole pixels; the height is the
    // font's ascent plus descent.
    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_text(layout, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", -1);
    int width = 0, height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    PangoFontMetrics* metrics = pango_context_get_metrics(context, font, nullptr);
    int charHeight = PANGO_PIXELS_CEIL(pango_font_metrics_get_ascent(metrics) +
                                       pango_font_metrics_get_descent(metrics));
    pango_font_metrics_unref(metrics);
    g_object_unref(layout);
    pango_font_description_free(font);
    g_object_unref(context);

    *baseX = (width / 26 + 1) / 2;
    *baseY = charHeight;
    return *baseX > 0 && *baseY > 0;
}

static int unitsToPixels(int units, int base, int perBase) {
    // rounded like a multiply-divide: units * base / perBase, halves away from zero
    long product = long(units) * base;
    return int((product + (product >= 0 ? perBase / 2 : -(perBase / 2))) / perBase);
}

// ---- the window ------------------------------------------------------------------------------

static void onButtonClicked(GtkButton*, gpointer data) {
    DialogControl* control = static_cast<DialogControl*>(data);
    DialogHandle dialog = static_cast<DialogHandle>(
        g_object_get_data(G_OBJECT(gtk_widget_get_toplevel(widgetOf(*control))), "brumelt-dialog"));
    if (dialog) dialogSendCommand(dialog, control->spec->id, buttonClicked);
}

static void onCheckToggled(GtkToggleButton* button, gpointer data) {
    DialogControl* control = static_cast<DialogControl*>(data);
    control->check = gtk_toggle_button_get_active(button) ? 1 : 0;
    DialogHandle dialog = static_cast<DialogHandle>(
        g_object_get_data(G_OBJECT(gtk_widget_get_toplevel(widgetOf(*control))), "brumelt-dialog"));
    if (dialog && dialog->mirroring == 0)
        dialogSendCommand(dialog, control->spec->id, buttonClicked);
}

static void onComboChanged(GtkComboBox* combo, gpointer data) {
    DialogControl* control = static_cast<DialogControl*>(data);
    control->selection = gtk_combo_box_get_active(combo);
    DialogHandle dialog = static_cast<DialogHandle>(
        g_object_get_data(G_OBJECT(gtk_widget_get_toplevel(widgetOf(*control))), "brumelt-dialog"));
    if (dialog && dialog->mirroring == 0)
        dialogSendCommand(dialog, control->spec->id, comboSelChange);
}

static gboolean onDeleteEvent(GtkWidget*, GdkEvent*, gpointer data) {
    dialogSendCommand(static_cast<DialogHandle>(data), dialogCancelId, buttonClicked);
    return TRUE; // the window stays until the procedure ends the dialog
}

static bool canTakeFocus(const DialogControl& control) {
    return (control.spec->style & styleTabStop) && control.widget &&
           gtk_widget_get_visible(widgetOf(control)) && gtk_widget_is_sensitive(widgetOf(control));
}

static int focusedControl(DialogHandle dialog) {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(windowOf(*dialog)));
    if (!focus) return -1;
    for (size_t i = 0; i < dialog->controls.size(); ++i) {
        GtkWidget* widget = widgetOf(dialog->controls[i]);
        if (widget && (focus == widget || gtk_widget_is_ancestor(focus, widget))) return int(i);
    }
    return -1;
}

static void focusControl(DialogControl& control) {
    if (control.spec->controlClass == controlComboBox) {
        // the focusable part of a combo box is the button inside it
        gtk_widget_child_focus(widgetOf(control), GTK_DIR_TAB_FORWARD);
        return;
    }
    gtk_widget_grab_focus(widgetOf(control));
}

static void focusNextTabStop(DialogHandle dialog, int step) {
    int count = int(dialog->controls.size());
    int at = focusedControl(dialog);
    if (at < 0) at = step > 0 ? -1 : count;
    for (int n = 0; n < count; ++n) {
        at = ((at + step) % count + count) % count;
        if (canTakeFocus(dialog->controls[size_t(at)])) {
            focusControl(dialog->controls[size_t(at)]);
            return;
        }
    }
}

static int32_t defaultButtonId(DialogHandle dialog) {
    for (const DialogControl& control : dialog->controls)
        if (control.spec->controlClass == controlButton && (control.spec->style & buttonDefPush))
            return control.spec->id;
    return dialogOkId;
}

static gboolean onKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    DialogHandle dialog = static_cast<DialogHandle>(data);
    bool plain = (event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) == 0;
    switch (event->keyval) {
    case GDK_KEY_Escape:
        dialogSendCommand(dialog, dialogCancelId, buttonClicked);
        return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: {
        int at = focusedControl(dialog);
        int32_t id = at >= 0 && dialogIsPushButton(dialog->controls[size_t(at)])
                         ? dialog->controls[size_t(at)].spec->id
                         : defaultButtonId(dialog);
        dialogSendCommand(dialog, id, buttonClicked);
        return TRUE;
    }
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
    case GDK_KEY_ISO_Left_Tab:
        if (!plain) return FALSE;
        gtk_window_set_focus_visible(GTK_WINDOW(windowOf(*dialog)), TRUE);
        focusNextTabStop(
            dialog,
            event->keyval == GDK_KEY_ISO_Left_Tab || (event->state & GDK_SHIFT_MASK) ? -1 : 1);
        return TRUE;
    default:
        return FALSE;
    }
}

// Shrinks the theme's padding and minimum sizes so that every control takes exactly the place the
// template gives it, in the template's font.
static void styleWindow(GtkWidget* window, const std::string& family, int pointSize) {
    gtk_widget_set_name(window, "brumelt-dialog");
    std::string css =
        "#brumelt-dialog, #brumelt-dialog * { font-family: \"" + family +
        "\"; font-size: " + std::to_string(pointSize) +
        "pt; }\n"
        "#brumelt-dialog button { min-height: 0; min-width: 0; padding: 0 4px; }\n"
        "#brumelt-dialog combobox button { padding: 0 2px 0 4px; }\n"
        "#brumelt-dialog combobox arrow { min-height: 0; min-width: 12px; }\n"
        "#brumelt-dialog checkbutton { padding: 0; margin: 0; min-height: 0; }\n"
        "#brumelt-dialog checkbutton check { margin: 0; min-width: 12px; min-height: 12px; }\n"
        "#brumelt-dialog label { padding: 0; margin: 0; }\n";
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(window),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

static GtkWidget* makeWidget(DialogControl& control, GtkWindow* window) {
    const DialogControlTemplate* spec = control.spec;
    const char* text = spec->text ? spec->text : "";
    GtkWidget* widget = nullptr;
    switch (spec->controlClass) {
    case controlButton:
        if (spec->style & buttonAutoCheckBox) {
            widget = *text ? gtk_check_button_new_with_label(text) : gtk_check_button_new();
            g_signal_connect(widget, "toggled", G_CALLBACK(onCheckToggled), &control);
        } else {
            widget = gtk_button_new_with_label(text);
            g_signal_connect(widget, "clicked", G_CALLBACK(onButtonClicked), &control);
            if (spec->style & buttonDefPush) {
                gtk_widget_set_can_default(widget, TRUE);
                gtk_window_set_default(window, widget);
            }
        }
        break;
    case controlStatic: {
        widget = gtk_label_new(text);
        float align = (spec->style & staticRight)    ? 1.0f
                      : (spec->style & staticCenter) ? 0.5f
                                                     : 0.0f;
        gtk_label_set_xalign(GTK_LABEL(widget), align);
        gtk_label_set_yalign(GTK_LABEL(widget), 0.0f);
        gtk_label_set_justify(GTK_LABEL(widget), (spec->style & staticRight)    ? GTK_JUSTIFY_RIGHT
                                                 : (spec->style & staticCenter) ? GTK_JUSTIFY_CENTER
                                                                                : GTK_JUSTIFY_LEFT);
        break;
    }
    case controlComboBox:
        widget = gtk_combo_box_text_new();
        for (const std::string& item : control.items)
            gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(widget), item.c_str());
        gtk_combo_box_set_active(GTK_COMBO_BOX(widget), control.selection);
        g_signal_connect(widget, "changed", G_CALLBACK(onComboChanged), &control);
        break;
    }
    gtk_widget_set_can_focus(widget, (spec->style & styleTabStop) != 0 &&
                                         spec->controlClass != controlComboBox);
    return widget;
}

// Makes the window and its widgets, hidden. Returns false when GTK has no display.
bool dialogWindowBuild(Dialog& dialogRecord, void* owner) {
    DialogHandle dialog = &dialogRecord;
    static int gtkState = 0; // 0 untried, 1 ready, -1 unavailable
    if (gtkState == 0) gtkState = gtk_init_check(nullptr, nullptr) ? 1 : -1;
    if (gtkState < 0) return false;

    const DialogTemplate* spec = dialog->spec;
    int baseX = 0, baseY = 0;
    if (!dialogBaseUnits(spec, &baseX, &baseY)) return false;

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    dialog->window = window;
    g_object_set_data(G_OBJECT(window), "brumelt-dialog", dialog);
    gtk_window_set_title(GTK_WINDOW(window), spec->caption ? spec->caption : "");
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_decorated(GTK_WINDOW(window), (spec->style & styleCaption) != 0);
    gtk_window_set_deletable(GTK_WINDOW(window), (spec->style & styleSysMenu) != 0);
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window), owner != nullptr);
    if (spec->style & styleCenter) gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    styleWindow(window, fontFamilyFor(spec), spec->pointSize > 0 ? spec->pointSize : 8);

    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, unitsToPixels(spec->width, baseX, 4),
                                unitsToPixels(spec->height, baseY, 8));
    gtk_container_add(GTK_CONTAINER(window), fixed);

    for (DialogControl& control : dialog->controls) {
        const DialogControlTemplate* c = control.spec;
        GtkWidget* widget = makeWidget(control, GTK_WINDOW(window));
        control.widget = widget;
        int height = unitsToPixels(c->height, baseY, 8);
        // a closed drop-down list is one line of text high; its template height is the open list
        if (c->controlClass == controlComboBox) height = baseY + 8;
        gtk_widget_set_size_request(widget, unitsToPixels(c->width, baseX, 4), height);
        gtk_fixed_put(GTK_FIXED(fixed), widget, unitsToPixels(c->x, baseX, 4),
                      unitsToPixels(c->y, baseY, 8));
        if (c->style & styleVisible) gtk_widget_show(widget);
    }
    gtk_widget_show(fixed);

    g_signal_connect(window, "delete-event", G_CALLBACK(onDeleteEvent), dialog);
    g_signal_connect(window, "key-press-event", G_CALLBACK(onKeyPress), dialog);

    gtk_widget_realize(window);
    if (owner) {
        GdkDisplay* display = gtk_widget_get_display(window);
        gdk_x11_display_error_trap_push(display);
        GdkWindow* ownerWindow =
            gdk_x11_window_foreign_new_for_display(display, Window(uintptr_t(owner)));
        if (ownerWindow) {
            gdk_window_set_transient_for(gtk_widget_get_window(window), ownerWindow);
            g_object_unref(ownerWindow);
        }
        gdk_x11_display_error_trap_pop_ignored(display);
    }
    return true;
}

void dialogWindowDestroy(Dialog& dialogRecord) {
    DialogHandle dialog = &dialogRecord;
    for (DialogControl& control : dialog->controls)
        control.widget = nullptr;
    gtk_widget_destroy(windowOf(*dialog));
    dialog->window = nullptr;
    // Let the unmap and destruction reach the server before the caller opens windows of its own.
    while (gtk_events_pending())
        gtk_main_iteration();
    gdk_display_flush(gdk_display_get_default());
}

void dialogWindowRun(Dialog& dialog, bool focusFirst) {
    gtk_widget_show(windowOf(dialog));
    // GTK would give the first focusable widget (the combo box) the focus on its own
    if (focusFirst) {
        gtk_window_set_focus(GTK_WINDOW(windowOf(dialog)), nullptr);
        focusNextTabStop(&dialog, 1);
    }
    gtk_window_present(GTK_WINDOW(windowOf(dialog)));
    while (!dialog.ended)
        gtk_main_iteration();
}

void* foregroundWindow() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", True);
    Window window = 0;
    if (active != None) {
        Atom type;
        int format;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, DefaultRootWindow(display), active, 0, 1, False, XA_WINDOW,
                               &type, &format, &count, &after, &data) == Success &&
            data) {
            if (count == 1 && format == 32) window = *reinterpret_cast<Window*>(data);
            XFree(data);
        }
    }
    XCloseDisplay(display);
    return reinterpret_cast<void*>(uintptr_t(window));
}
