// The GTK 3 window system: a dialog is a GtkWindow holding its template's
// controls on a GtkFixed, at the template's places in dialog units turned
// into pixels through the dialog font's base units. Every user action comes
// to the routing tables as the Windows dialog manager would send it.
//
// Edits notify synchronously, once per change: GTK's "changed" for the
// user's edits, and for the program's own writes one EN_CHANGE of ours
// (GTK sends none when the text stays the same; Windows sends one).
// Buttons, Enter, Escape and the close box run their command just after
// the event, from an idle callback, not inside it: a modal dialog that ran
// inside the handler of an accessibility action would leave the program's
// accessibility bus unanswered until it closed.
#include <gtk/gtk.h>

#include <exception>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "gtk_backend.h"
#include "platform/cdialog.h"
#include "platform/cpaintdc.h"
#include "platform/cwinapp.h"
#include "platform/posix/dialog_number.h"
#include "res/field_labels.h"
#include "text_gtk.h"

#define WS_DISABLED 0x08000000u
#define WS_TABSTOP 0x00010000u
#define BS_TYPEMASK 0x0000000Fu
#define BS_GROUPBOX 0x00000007u

struct HWND__ {
    CWnd* wnd = nullptr;
    const gtk_backend::Template* layout = nullptr;
    GtkWidget* window = nullptr;
    GtkWidget* fixed = nullptr;
    // Template order; by ID for the controls that have one.
    std::vector<GtkWidget*> controls;
    std::map<int, GtkWidget*> byId;
    DialogBaseUnits base = { 0, 0 };
    GMainLoop* loop = nullptr;
    bool ended = false;
    int endResult = 0;
    // Commands waiting for the idle callback, and its source.
    std::vector<WPARAM> commands;
    guint idle = 0;
};

namespace {

const char kIdKey[] = "qarvel-id";

// The dialog's look: the template's font, resolved through fontconfig, with
// the CJK fonts that carry its characters on Linux after it; and controls
// as compact as the template's (the theme's padding would not fit an edit
// 13 units high).
void ApplyStyle(GtkWidget* window, const dialog_table::Dialog& dialog)
{
    // Once for the screen, however many dialogs follow.
    static bool styled = false;
    if (!styled) {
        std::string css = std::string("#qarvel-dialog, #qarvel-dialog * { font-family: \"")
            + dialog.fontName + "\", \"WenQuanYi Zen Hei\", \"Noto Sans CJK SC\"; font-size: "
            + std::to_string(dialog.fontPoints) + "pt; }\n"
              "#qarvel-dialog entry { min-height: 0; padding: 0 3px; }\n"
              "#qarvel-dialog button { min-height: 0; min-width: 0; padding: 0 2px; }\n";
        GtkCssProvider* provider = gtk_css_provider_new();
        gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
        gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(window),
                                                  GTK_STYLE_PROVIDER(provider),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        g_object_unref(provider);
        styled = true;
    }
    gtk_widget_set_name(window, "qarvel-dialog");
}

// As Windows takes them: the average width of the 52 Latin letters, and
// the font's height, in the dialog's own font (its style's) on this screen.
DialogBaseUnits MeasureBaseUnits(GtkWidget* window)
{
    PangoLayout* layout =
        gtk_widget_create_pango_layout(window, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    int width = 0;
    pango_layout_get_pixel_size(layout, &width, nullptr);
    PangoContext* context = pango_layout_get_context(layout);
    PangoFontMetrics* metrics =
        pango_context_get_metrics(context, pango_context_get_font_description(context), nullptr);
    int height = PANGO_PIXELS(pango_font_metrics_get_ascent(metrics))
        + PANGO_PIXELS(pango_font_metrics_get_descent(metrics));
    pango_font_metrics_unref(metrics);
    g_object_unref(layout);
    return DialogBaseUnitsOf(width, height);
}

void NameForScreenReaders(GtkWidget* field, GtkWidget* label, const char* text)
{
    AtkObject* fieldObject = gtk_widget_get_accessible(field);
    atk_object_set_name(fieldObject, text);
    AtkObject* labelObject = gtk_widget_get_accessible(label);
    atk_object_add_relationship(fieldObject, ATK_RELATION_LABELLED_BY, labelObject);
    atk_object_add_relationship(labelObject, ATK_RELATION_LABEL_FOR, fieldObject);
}

// An exception stops here, where it would otherwise unwind through GTK's
// frames, and is shown to the user.
void Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const char* failure = nullptr;
    std::string what;
    try {
        LRESULT ignored = 0;
        window->wnd->OnWndMsg(message, wParam, lParam, &ignored);
        return;
    } catch (const std::bad_alloc&) {
        failure = "内存不足。";
    } catch (const std::exception& e) {
        what = e.what();
        failure = what.c_str();
    } catch (...) {
        failure = "未知错误。";
    }
    window->wnd->MessageBox(failure, nullptr, MB_OK | 0x10);
}

gboolean RunCommands(gpointer data)
{
    HWND window = static_cast<HWND>(data);
    window->idle = 0;
    // One at a time: a command may end the dialog, and the window with it.
    while (!window->commands.empty() && !window->ended) {
        WPARAM command = window->commands.front();
        window->commands.erase(window->commands.begin());
        Deliver(window, WM_COMMAND, command, 0);
    }
    return G_SOURCE_REMOVE;
}

void PostCommand(HWND window, int id, UINT code)
{
    window->commands.push_back(MAKEWPARAM(id, code));
    if (!window->idle)
        window->idle = g_idle_add(RunCommands, window);
}

void OnEntryChanged(GtkEditable* entry, gpointer data)
{
    int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(entry), kIdKey));
    Deliver(static_cast<HWND>(data), WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), 0);
}

// Enter in an edit field: the dialog's default command.
void OnEntryActivate(GtkEntry* /*entry*/, gpointer data)
{
    PostCommand(static_cast<HWND>(data), IDOK, 0);
}

void OnButtonClicked(GtkButton* button, gpointer data)
{
    int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), kIdKey));
    PostCommand(static_cast<HWND>(data), id, BN_CLICKED);
}

gboolean OnKeyPress(GtkWidget* /*window*/, GdkEventKey* event, gpointer data)
{
    if (event->keyval != GDK_KEY_Escape)
        return FALSE;
    PostCommand(static_cast<HWND>(data), IDCANCEL, 0);
    return TRUE;
}

// The close box: the dialog decides, as on IDCANCEL.
gboolean OnDelete(GtkWidget* /*window*/, GdkEvent* /*event*/, gpointer data)
{
    PostCommand(static_cast<HWND>(data), IDCANCEL, 0);
    return TRUE;
}

GtkWidget* MakeControl(HWND window, const dialog_table::Control& control)
{
    std::string kind = control.className;
    GtkWidget* widget = nullptr;
    if (kind == "Edit") {
        widget = gtk_entry_new();
        // As narrow as the template makes it: GTK's default is 150 pixels.
        gtk_entry_set_width_chars(GTK_ENTRY(widget), 0);
        // A paste keeps its first line only, as a Windows single-line edit
        // does: GTK's entry would keep the newline out of sight, and the
        // field would read as something it does not show.
        g_object_set(widget, "truncate-multiline", TRUE, nullptr);
        g_signal_connect(widget, "changed", G_CALLBACK(OnEntryChanged), window);
        g_signal_connect(widget, "activate", G_CALLBACK(OnEntryActivate), window);
    } else if (kind == "Button" && (control.style & BS_TYPEMASK) == BS_GROUPBOX) {
        widget = gtk_frame_new(control.text);
    } else if (kind == "Button") {
        widget = gtk_button_new_with_label(control.text);
        g_signal_connect(widget, "clicked", G_CALLBACK(OnButtonClicked), window);
    } else {
        widget = gtk_label_new(control.text);
        gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
        gtk_label_set_yalign(GTK_LABEL(widget), 0.0f);
    }
    g_object_set_data(G_OBJECT(widget), kIdKey, GINT_TO_POINTER(control.id));
    gtk_widget_set_sensitive(widget, (control.style & WS_DISABLED) == 0);
    gtk_widget_set_size_request(widget, DialogXToPixels(control.cx, window->base),
                                DialogYToPixels(control.cy, window->base));
    return widget;
}

// The controls on the GtkFixed, a group box below the controls it holds;
// the tab order is the template's, over its tab stops.
void PlaceControls(HWND window)
{
    const gtk_backend::Template& layout = *window->layout;
    GList* tabOrder = nullptr;
    window->controls.assign(layout.count, nullptr);
    for (size_t i = 0; i < layout.count; ++i) {
        const dialog_table::Control& control = layout.controls[i];
        GtkWidget* widget = MakeControl(window, control);
        window->controls[i] = widget;
        if (control.id != -1)
            window->byId[control.id] = widget;
        if (control.style & WS_TABSTOP)
            tabOrder = g_list_append(tabOrder, widget);
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < layout.count; ++i) {
            bool frame = GTK_IS_FRAME(window->controls[i]);
            if (frame != (pass == 0))
                continue;
            gtk_fixed_put(GTK_FIXED(window->fixed), window->controls[i],
                          DialogXToPixels(layout.controls[i].x, window->base),
                          DialogYToPixels(layout.controls[i].y, window->base));
        }
    }
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(window->fixed), tabOrder);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(tabOrder);

    // Each field is named by its label, as the Windows program's are.
    for (const FieldLabel& pair : kFieldLabels) {
        auto field = window->byId.find(pair.field);
        size_t label = static_cast<size_t>(pair.labelIndex);
        if (pair.dialogId == static_cast<int>(layout.id) && field != window->byId.end() && label < layout.count)
            NameForScreenReaders(field->second, window->controls[label], layout.controls[label].text);
    }
}

void BuildWindow(HWND window, HWND owner)
{
    const dialog_table::Dialog& dialog = *window->layout->dialog;
    window->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* gtkWindow = GTK_WINDOW(window->window);
    gtk_window_set_title(gtkWindow, dialog.caption);
    // Minimized, never maximized or resized, as the template's frame.
    gtk_window_set_resizable(gtkWindow, FALSE);
    gtk_window_set_position(gtkWindow, GTK_WIN_POS_CENTER);
    if (owner) {
        gtk_window_set_transient_for(gtkWindow, GTK_WINDOW(owner->window));
        gtk_window_set_modal(gtkWindow, TRUE);
    }
    ApplyStyle(window->window, dialog);
    window->base = MeasureBaseUnits(window->window);
    window->fixed = gtk_fixed_new();
    gtk_widget_set_size_request(window->fixed, DialogXToPixels(dialog.cx, window->base),
                                DialogYToPixels(dialog.cy, window->base));
    gtk_container_add(GTK_CONTAINER(window->window), window->fixed);
    PlaceControls(window);
    g_signal_connect(window->window, "key-press-event", G_CALLBACK(OnKeyPress), window);
    g_signal_connect(window->window, "delete-event", G_CALLBACK(OnDelete), window);
}

void DestroyWindow(HWND window)
{
    if (window->idle)
        g_source_remove(window->idle);
    if (window->window)
        gtk_widget_destroy(window->window);
    if (window->loop)
        g_main_loop_unref(window->loop);
    delete window;
}

void FocusFirstTabStop(HWND window)
{
    for (size_t i = 0; i < window->layout->count; ++i) {
        GtkWidget* widget = window->controls[i];
        if ((window->layout->controls[i].style & WS_TABSTOP) && gtk_widget_get_sensitive(widget)) {
            gtk_widget_grab_focus(widget);
            return;
        }
    }
}

GtkWidget* Item(const CWnd& wnd, int id)
{
    if (!wnd.m_hWnd)
        return nullptr;
    auto it = wnd.m_hWnd->byId.find(id);
    return it == wnd.m_hWnd->byId.end() ? nullptr : it->second;
}

}  // namespace

GtkWidget* gtk_backend::Toplevel(HWND window)
{
    return window ? window->window : nullptr;
}

GtkWidget* gtk_backend::ControlAt(HWND window, size_t index)
{
    return window && index < window->controls.size() ? window->controls[index] : nullptr;
}

DialogBaseUnits gtk_backend::BaseUnits(HWND window)
{
    return window->base;
}

UINT CWnd::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const
{
    CString text;
    GetDlgItemText(id, text);
    long long value = 0;
    bool ok = posix::DialogNumber(text.Str(), isSigned != FALSE, &value);
    if (translated)
        *translated = ok ? TRUE : FALSE;
    return ok ? static_cast<UINT>(value) : 0;
}

void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned)
{
    SetDlgItemText(id, posix::DialogNumberText(value, isSigned != FALSE).c_str());
}

int CWnd::GetDlgItemText(int id, CString& text) const
{
    GtkWidget* item = Item(*this, id);
    const char* utf8 = "";
    if (item && GTK_IS_ENTRY(item))
        utf8 = gtk_entry_get_text(GTK_ENTRY(item));
    else if (item && GTK_IS_BUTTON(item))
        utf8 = gtk_button_get_label(GTK_BUTTON(item));
    else if (item && GTK_IS_LABEL(item))
        utf8 = gtk_label_get_text(GTK_LABEL(item));
    // A character that code page 936 cannot hold reads as '?'.
    text = gtk_text::Narrow(utf8);
    return text.GetLength();
}

void CWnd::SetDlgItemText(int id, LPCTSTR text)
{
    GtkWidget* item = Item(*this, id);
    if (!item)
        return;
    std::string utf8 = gtk_text::Utf8(text);
    if (GTK_IS_ENTRY(item)) {
        g_signal_handlers_block_by_func(item, reinterpret_cast<gpointer>(OnEntryChanged), m_hWnd);
        gtk_entry_set_text(GTK_ENTRY(item), utf8.c_str());
        g_signal_handlers_unblock_by_func(item, reinterpret_cast<gpointer>(OnEntryChanged), m_hWnd);
        Deliver(m_hWnd, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), 0);
    } else if (GTK_IS_BUTTON(item)) {
        gtk_button_set_label(GTK_BUTTON(item), utf8.c_str());
    } else if (GTK_IS_LABEL(item)) {
        gtk_label_set_text(GTK_LABEL(item), utf8.c_str());
    }
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type)
{
    GtkMessageType kind = GTK_MESSAGE_OTHER;
    switch (type & 0xF0u) {
    case 0x10u: kind = GTK_MESSAGE_ERROR; break;
    case MB_ICONEXCLAMATION: kind = GTK_MESSAGE_WARNING; break;
    case MB_ICONINFORMATION: kind = GTK_MESSAGE_INFO; break;
    }
    GtkWindow* owner = m_hWnd ? GTK_WINDOW(m_hWnd->window) : nullptr;
    GtkWidget* box = gtk_message_dialog_new(owner, GTK_DIALOG_MODAL, kind, GTK_BUTTONS_OK, "%s",
                                            gtk_text::Utf8(text).c_str());
    // Windows' caption for a box that names none.
    gtk_window_set_title(GTK_WINDOW(box), caption ? gtk_text::Utf8(caption).c_str() : "Error");
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    return IDOK;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETICON && m_hWnd && lParam) {
        // One image serves the title bar and the task switcher.
        gtk_window_set_icon(GTK_WINDOW(m_hWnd->window), reinterpret_cast<GdkPixbuf*>(lParam));
    }
    LRESULT result = 0;
    OnWndMsg(message, wParam, lParam, &result);
    return result;
}

BOOL CWnd::IsIconic() const
{
    GdkWindow* window = m_hWnd ? gtk_widget_get_window(m_hWnd->window) : nullptr;
    return window && (gdk_window_get_state(window) & GDK_WINDOW_STATE_ICONIFIED) ? TRUE : FALSE;
}

void CWnd::GetClientRect(RECT* rect) const
{
    GtkAllocation area = { 0, 0, 0, 0 };
    if (m_hWnd)
        gtk_widget_get_allocation(m_hWnd->fixed, &area);
    *rect = { 0, 0, area.width, area.height };
}

INT_PTR CDialog::DoModal()
{
    const gtk_backend::Template* layout = gtk_backend::FindTemplate(m_templateId);
    if (!layout || !gdk_display_get_default())
        return -1;
    // Like MFC: without a parent, the application's main window owns the
    // dialog, unless the dialog is the main window itself.
    HWND owner = AfxOwnerWindow(m_pParentWnd, this);
    HWND window = new HWND__;
    window->wnd = this;
    window->layout = layout;
    BuildWindow(window, owner);
    m_hWnd = window;
    if (OnInitDialog())
        FocusFirstTabStop(window);
    INT_PTR result = -1;
    if (!window->ended) {
        gtk_widget_show_all(window->window);
        window->loop = g_main_loop_new(nullptr, FALSE);
        g_main_loop_run(window->loop);
    }
    result = window->endResult;
    m_hWnd = nullptr;
    DestroyWindow(window);
    return result;
}

void CDialog::EndDialog(int result)
{
    m_hWnd->ended = true;
    m_hWnd->endResult = result;
    if (m_hWnd->loop)
        g_main_loop_quit(m_hWnd->loop);
}

// The window manager draws a minimized window's icon: a paint of the
// program's own never comes.
CPaintDC::CPaintDC(CWnd* wnd) : m_pWnd(wnd), m_hDC(nullptr), m_paint(nullptr)
{
}

CPaintDC::~CPaintDC() = default;

BOOL CPaintDC::DrawIcon(int /*x*/, int /*y*/, HICON /*icon*/)
{
    return TRUE;
}
