// CFileDialog over GtkFileChooserNative: the desktop's own file dialog
// through its portal where there is one, else GTK's, modal over the owner.
// As the Windows dialogs: the filter matches in any case, the save dialog
// adds the default extension to a name without one and asks nothing about
// an existing file (the caller checks), the open dialog takes only an
// existing file.
#include <gtk/gtk.h>

#include <cctype>
#include <string>

#include "gtk_backend.h"
#include "platform/cfiledialog.h"
#include "platform/cwinapp.h"
#include "platform/posix/text_posix.h"
#include "text_gtk.h"

namespace {

// "*.mp3" as "*.[mM][pP]3": GTK's patterns match case for case.
std::string AnyCase(const std::string& pattern)
{
    std::string any;
    for (char c : pattern) {
        if (std::isalpha(static_cast<unsigned char>(c))) {
            any += '[';
            any += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            any += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            any += ']';
        } else {
            any += c;
        }
    }
    return any;
}

// The layer's filter ends each piece with '|': description and patterns
// (';' between them) in turn. Split in UTF-8, where a '|' is never part of
// another character (in code page 936 it can be a trail byte).
void AddFilters(GtkFileChooser* chooser, const CString& filter)
{
    std::string pieces = posix::Utf8From936(filter.Str());
    size_t at = 0;
    while (true) {
        size_t nameEnd = pieces.find('|', at);
        if (nameEnd == std::string::npos)
            return;
        size_t patternsEnd = pieces.find('|', nameEnd + 1);
        if (patternsEnd == std::string::npos)
            return;
        GtkFileFilter* each = gtk_file_filter_new();
        gtk_file_filter_set_name(each, pieces.substr(at, nameEnd - at).c_str());
        std::string patterns = pieces.substr(nameEnd + 1, patternsEnd - nameEnd - 1);
        size_t from = 0;
        while (from <= patterns.size()) {
            size_t end = patterns.find(';', from);
            if (end == std::string::npos)
                end = patterns.size();
            if (end > from)
                gtk_file_filter_add_pattern(each, AnyCase(patterns.substr(from, end - from)).c_str());
            from = end + 1;
        }
        gtk_file_chooser_add_filter(chooser, each);
        at = patternsEnd + 1;
    }
}

// The chosen file's name on disk (UTF-8) in the program's code page.
CString ChosenPath(GtkFileChooser* chooser, const CString& defaultExt, bool* fits)
{
    gchar* chosen = gtk_file_chooser_get_filename(chooser);
    std::string path = chosen ? chosen : "";
    g_free(chosen);
    size_t nameStart = path.rfind('/');
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    if (!defaultExt.IsEmpty() && path.find('.', nameStart) == std::string::npos)
        path += "." + posix::Utf8From936(defaultExt.Str());
    return gtk_text::Narrow(path.c_str(), fits);
}

}  // namespace

INT_PTR CFileDialog::DoModal()
{
    HWND owner = AfxOwnerWindow(m_pParentWnd, nullptr);
    GtkFileChooserNative* dialog = gtk_file_chooser_native_new(
        m_open ? gtk_text::Utf8("打开").c_str() : gtk_text::Utf8("另存为").c_str(),
        GTK_WINDOW(gtk_backend::Toplevel(owner)),
        m_open ? GTK_FILE_CHOOSER_ACTION_OPEN : GTK_FILE_CHOOSER_ACTION_SAVE, nullptr, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(dialog), TRUE);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
    AddFilters(chooser, m_filter);
    // A name to start with, unless it is a pattern: the filter does that.
    if (!m_open && !m_fileName.IsEmpty() && m_fileName.Find("*") < 0)
        gtk_file_chooser_set_current_name(chooser, gtk_text::Utf8(m_fileName).c_str());

    INT_PTR result = IDCANCEL;
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        m_pathName = ChosenPath(chooser, m_defaultExt, &m_pathNameFits);
        result = m_pathName.IsEmpty() ? IDCANCEL : IDOK;
    }
    g_object_unref(dialog);
    return result;
}
