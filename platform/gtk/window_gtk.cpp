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
//
// Every GTK call is made on the main thread. The one operation another
// thread may call, PostMessage, hands its message to the main loop
// (g_idle_add_full is thread-safe) and touches nothing else.
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
    // Set by EnableWindow(FALSE): the user's input to the window is dropped.
    bool disabled = false;
    // The window's number in creation order. Posted messages and timers
    // name their window by it, so that a message for a window gone is not
    // taken by a later one at the same address.
    unsigned long serial = 0;
    // Timer sources by the program's timer ID.
    std::map<UINT_PTR, guint> timers;
    // The loop of RunModalLoop, while it runs.
    GMainLoop* modalLoop = nullptr;
};

namespace {

const char kIdKey[] = "qarvel-id";
// A progress bar's range and position, as the program set them.
const char kBarLowKey[] = "qarvel-bar-low";
const char kBarHighKey[] = "qarvel-bar-high";
const char kBarPositionKey[] = "qarvel-bar-position";

// The dialogs that exist, by serial: the oldest (the main dialog) first.
// Touched on the main thread only.
std::map<unsigned long, HWND> g_live;
unsigned long g_lastSerial = 0;

HWND LiveWindow(unsigned long serial)
{
    auto it = g_live.find(serial);
    return it == g_live.end() ? nullptr : it->second;
}

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

// A message posted from any thread, on its way to the main loop.
struct Posted {
    unsigned long serial;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

gboolean DeliverPosted(gpointer data)
{
    const Posted& posted = *static_cast<Posted*>(data);
    // Dropped when its window has been destroyed meanwhile.
    if (HWND window = LiveWindow(posted.serial))
        Deliver(window, posted.message, posted.wParam, posted.lParam);
    return G_SOURCE_REMOVE;
}

void FreePosted(gpointer data)
{
    delete static_cast<Posted*>(data);
}

struct Timer {
    unsigned long serial;
    UINT_PTR id;
};

gboolean DeliverTimer(gpointer data)
{
    Timer timer = *static_cast<Timer*>(data);
    if (HWND window = LiveWindow(timer.serial))
        Deliver(window, WM_TIMER, timer.id, 0);
    return G_SOURCE_CONTINUE;
}

void FreeTimer(gpointer data)
{
    delete static_cast<Timer*>(data);
}

void OnEntryChanged(GtkEditable* entry, gpointer data)
{
    int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(entry), kIdKey));
    Deliver(static_cast<HWND>(data), WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), 0);
}

// Enter in an edit field: the dialog's default command.
void OnEntryActivate(GtkEntry* /*entry*/, gpointer data)
{
    HWND window = static_cast<HWND>(data);
    if (!window->disabled)
        PostCommand(window, IDOK, 0);
}

// A click, a key on the focused button, or a screen reader's action, which
// comes as no event: dropped while the dialog is disabled.
void OnButtonClicked(GtkButton* button, gpointer data)
{
    HWND window = static_cast<HWND>(data);
    int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), kIdKey));
    if (!window->disabled)
        PostCommand(window, id, BN_CLICKED);
}

// Keys come to the toplevel before its focused control: a disabled
// dialog's are dropped here. Escape is the dialog's IDCANCEL.
gboolean OnKeyPress(GtkWidget* /*window*/, GdkEventKey* event, gpointer data)
{
    HWND window = static_cast<HWND>(data);
    if (window->disabled)
        return TRUE;
    if (event->keyval != GDK_KEY_Escape)
        return FALSE;
    PostCommand(window, IDCANCEL, 0);
    return TRUE;
}

// A control's mouse press, before its own handling: dropped while the
// dialog is disabled (greying the dialog instead would make every control
// flash grey for a cut of a few milliseconds).
gboolean OnControlPress(GtkWidget* /*control*/, GdkEventButton* /*event*/, gpointer data)
{
    return static_cast<HWND>(data)->disabled ? TRUE : FALSE;
}

// The close box (or the window manager's close, or a dock's): the dialog
// decides, as on IDCANCEL, even while it is disabled, so that the main
// dialog closed during a cut stops the cut and ends the program.
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
    } else if (kind == "msctls_progress32") {
        // A screen reader reads its fraction (AtkValue), which follows the
        // position. Windows' default range is 0 to 100.
        widget = gtk_progress_bar_new();
        g_object_set_data(G_OBJECT(widget), kBarHighKey, GINT_TO_POINTER(100));
    } else {
        widget = gtk_label_new(control.text);
        gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
        gtk_label_set_yalign(GTK_LABEL(widget), 0.0f);
    }
    g_object_set_data(G_OBJECT(widget), kIdKey, GINT_TO_POINTER(control.id));
    g_signal_connect(widget, "button-press-event", G_CALLBACK(OnControlPress), window);
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
    // An owned dialog stays over its owner, which DoModal disables. It is
    // not made GTK-modal: GTK's grab would drop the owner's delete event,
    // and closing the main dialog must still reach the program mid-cut.
    if (owner) {
        gtk_window_set_transient_for(gtkWindow, GTK_WINDOW(owner->window));
        gtk_window_set_type_hint(gtkWindow, GDK_WINDOW_TYPE_HINT_DIALOG);
        gtk_window_set_position(gtkWindow, GTK_WIN_POS_CENTER_ON_PARENT);
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
    g_live.erase(window->serial);
    for (const auto& timer : window->timers)
        g_source_remove(timer.second);
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

int BarValue(GtkWidget* bar, const char* key)
{
    return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(bar), key));
}

// Stores the range and position, the position kept in the range as
// Windows keeps it, and shows the fraction.
void SetBar(GtkWidget* bar, int low, int high, int position)
{
    if (position > high)
        position = high;
    if (position < low)
        position = low;
    g_object_set_data(G_OBJECT(bar), kBarLowKey, GINT_TO_POINTER(low));
    g_object_set_data(G_OBJECT(bar), kBarHighKey, GINT_TO_POINTER(high));
    g_object_set_data(G_OBJECT(bar), kBarPositionKey, GINT_TO_POINTER(position));
    double fraction = high > low ? static_cast<double>(position - low) / (high - low) : 0.0;
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), fraction);
}

}  // namespace

// Windows tells a session's end to every top-level window: whether it may
// end (WM_QUERYENDSESSION), then that it does (WM_ENDSESSION), after which
// the process may be ended at any time. The innermost dialog hears it
// first, so that a cut in progress stops and removes its unfinished file
// before the dialogs below it close. The session cannot be refused here: a
// signal is not a question. The main dialog is then closed as by its close
// box, and GTK's own dialogs (a message, a file dialog) are answered as
// closed, which ends their loops.
void gtk_backend::EndSession()
{
    std::vector<unsigned long> innermostFirst;
    for (auto it = g_live.rbegin(); it != g_live.rend(); ++it)
        innermostFirst.push_back(it->first);
    for (unsigned long serial : innermostFirst) {
        if (HWND window = LiveWindow(serial))
            Deliver(window, WM_QUERYENDSESSION, 0, 0);
    }
    for (unsigned long serial : innermostFirst) {
        if (HWND window = LiveWindow(serial))
            Deliver(window, WM_ENDSESSION, TRUE, 0);
    }
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* at = toplevels; at; at = at->next) {
        if (GTK_IS_DIALOG(at->data) && gtk_widget_get_visible(GTK_WIDGET(at->data)))
            gtk_dialog_response(GTK_DIALOG(at->data), GTK_RESPONSE_DELETE_EVENT);
    }
    g_list_free(toplevels);
    if (!g_live.empty())
        PostCommand(g_live.begin()->second, IDCANCEL, 0);
}

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

LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    GtkWidget* bar = Item(*this, id);
    if (!bar || !GTK_IS_PROGRESS_BAR(bar))
        return 0;
    int low = BarValue(bar, kBarLowKey);
    int high = BarValue(bar, kBarHighKey);
    int position = BarValue(bar, kBarPositionKey);
    switch (message) {
    case PBM_SETRANGE32:
        SetBar(bar, static_cast<int>(wParam), static_cast<int>(lParam), position);
        return static_cast<LRESULT>(MAKEWPARAM(low, high));
    case PBM_SETPOS:
        SetBar(bar, low, high, static_cast<int>(wParam));
        return position;
    case PBM_GETPOS:
        return position;
    default:
        return 0;
    }
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The serial was set before any other thread could know the window,
    // and never changes.
    if (!m_hWnd)
        return FALSE;
    Posted* posted = new Posted{ m_hWnd->serial, message, wParam, lParam };
    g_idle_add_full(G_PRIORITY_DEFAULT, DeliverPosted, posted, FreePosted);
    return TRUE;
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    if (!m_hWnd)
        return FALSE;
    BOOL wasDisabled = m_hWnd->disabled ? TRUE : FALSE;
    m_hWnd->disabled = enable == FALSE;
    return wasDisabled;
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse)
{
    if (!m_hWnd)
        return 0;
    // A timer with this ID is replaced, as on Windows.
    KillTimer(id);
    m_hWnd->timers[id] = g_timeout_add_full(G_PRIORITY_DEFAULT, elapse, DeliverTimer,
                                            new Timer{ m_hWnd->serial, id }, FreeTimer);
    return id;
}

BOOL CWnd::KillTimer(UINT_PTR id)
{
    if (!m_hWnd)
        return FALSE;
    auto it = m_hWnd->timers.find(id);
    if (it == m_hWnd->timers.end())
        return FALSE;
    g_source_remove(it->second);
    m_hWnd->timers.erase(it);
    return TRUE;
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
    window->serial = ++g_lastSerial;
    g_live[window->serial] = window;
    BuildWindow(window, owner);
    m_hWnd = window;
    // The owner takes no input from the user until this dialog ends, as
    // MFC's DoModal disables it; it was disabled already when nested.
    bool enableOwner = owner && !owner->wnd->EnableWindow(FALSE);
    if (OnInitDialog())
        FocusFirstTabStop(window);
    if (!window->ended) {
        gtk_widget_show_all(window->window);
        gtk_window_present(GTK_WINDOW(window->window));
        window->loop = g_main_loop_new(nullptr, FALSE);
        g_main_loop_run(window->loop);
    }
    INT_PTR result = window->endResult;
    // The owner is enabled before this window goes, so that the focus can
    // return to it.
    if (enableOwner)
        owner->wnd->EnableWindow(TRUE);
    m_hWnd = nullptr;
    DestroyWindow(window);
    return result;
}

// A nested main loop, as a modal dialog's; EndModalLoop quits it.
void CWnd::LoopUntilEnded()
{
    if (!m_hWnd)
        return;
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    m_hWnd->modalLoop = loop;
    while (!m_modalEnded)
        g_main_loop_run(loop);
    m_hWnd->modalLoop = nullptr;
    g_main_loop_unref(loop);
}

void CWnd::EndModalLoop(int result)
{
    m_modalResult = result;
    m_modalEnded = true;
    if (m_hWnd && m_hWnd->modalLoop)
        g_main_loop_quit(m_hWnd->modalLoop);
}

// Hides the dialog at once, as Windows' EndDialog does: the main dialog
// closed during a cut vanishes while the cut's loop runs on to its next
// piece.
void CDialog::EndDialog(int result)
{
    m_hWnd->ended = true;
    m_hWnd->endResult = result;
    gtk_widget_hide(m_hWnd->window);
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
