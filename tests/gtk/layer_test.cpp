// The gtk backend's layer tests, on a real display (tests/gtk/session.sh):
// the dialog built from the template at the dialog font's base units, one
// change notification per write, and the message box and file dialogs
// answered by the test as a user would answer them.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "platform/cdialog.h"
#include "platform/cfiledialog.h"
#include "platform/gtk/gtk_backend.h"
#include "res/resource.h"

namespace {

// A dialog of the program's template whose routing table counts the change
// notifications of field 1002, and that runs the test's play once shown.
class TestDialog : public CDialog {
public:
    explicit TestDialog(std::function<void(TestDialog&)> play)
        : CDialog(IDD_CUTTER_DIALOG), m_play(std::move(play))
    {
    }
    int changes = 0;

protected:
    BOOL OnInitDialog() override
    {
        g_idle_add(&TestDialog::Play, this);
        return TRUE;
    }
    void OnChangeTotalSeconds() { ++changes; }

    static gboolean Play(gpointer self)
    {
        TestDialog& dialog = *static_cast<TestDialog*>(self);
        // Until the window is laid out.
        while (gtk_events_pending())
            gtk_main_iteration();
        dialog.m_play(dialog);
        dialog.EndDialog(IDOK);
        return G_SOURCE_REMOVE;
    }

    std::function<void(TestDialog&)> m_play;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
    ON_EN_CHANGE(IDC_TOTAL_SECONDS, &TestDialog::OnChangeTotalSeconds)
END_MESSAGE_MAP()

GtkWidget* FindToplevel(gboolean (*is)(gpointer))
{
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* at = windows; at; at = at->next) {
        if (is(at->data) && gtk_widget_get_visible(GTK_WIDGET(at->data)))
            found = GTK_WIDGET(at->data);
    }
    g_list_free(windows);
    return found;
}

gboolean IsMessageDialog(gpointer widget) { return GTK_IS_MESSAGE_DIALOG(widget); }
gboolean IsFileChooserDialog(gpointer widget) { return GTK_IS_FILE_CHOOSER_DIALOG(widget); }

// Runs answer on the first such window shown, from a timer (the program's
// call that shows it does not return until it is answered), then gives the
// window answer's response until it goes: GTK's file dialog drops a
// response that comes while it is still looking up the typed folder, and
// a user would press again.
struct Answer {
    gboolean (*is)(gpointer);
    std::function<int(GtkWidget*)> answer;
    GtkWidget* window = nullptr;
    int response = 0;
};

gboolean AnswerTick(gpointer data)
{
    Answer* pending = static_cast<Answer*>(data);
    if (!pending->window) {
        GtkWidget* window = FindToplevel(pending->is);
        if (!window)
            return G_SOURCE_CONTINUE;
        pending->window = window;
        g_object_ref(window);
        pending->response = pending->answer(window);
    } else if (gtk_widget_get_visible(pending->window)) {
        gtk_dialog_response(GTK_DIALOG(pending->window), pending->response);
    } else {
        g_object_unref(pending->window);
        delete pending;
        return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
}

void AnswerWhenShown(gboolean (*is)(gpointer), std::function<int(GtkWidget*)> answer)
{
    Answer* pending = new Answer;
    pending->is = is;
    pending->answer = std::move(answer);
    g_timeout_add(50, AnswerTick, pending);
}

int TextWidth(GtkWidget* widget, const char* text)
{
    PangoLayout* layout = gtk_widget_create_pango_layout(widget, text);
    int width = 0;
    pango_layout_get_pixel_size(layout, &width, nullptr);
    g_object_unref(layout);
    return width;
}

TEST(GtkDialog, TheTemplatesControlsAtTheDialogFontsBaseUnits)
{
    TestDialog dialog([](TestDialog& dlg) {
        DialogBaseUnits base = gtk_backend::BaseUnits(dlg.m_hWnd);
        // The base units are those of the font the controls show: the 52
        // letters measured in a label's own font.
        GtkWidget* label = gtk_backend::ControlAt(dlg.m_hWnd, 9);
        DialogBaseUnits shown = DialogBaseUnitsOf(
            TextWidth(label, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"), base.y);
        EXPECT_EQ(base.x, shown.x);
        EXPECT_GT(base.y, 8);

        RECT client;
        dlg.GetClientRect(&client);
        EXPECT_EQ(client.right, DialogXToPixels(dialog_table::kDialog.cx, base));
        EXPECT_EQ(client.bottom, DialogYToPixels(dialog_table::kDialog.cy, base));

        for (size_t i = 0; i < sizeof dialog_table::kControls / sizeof dialog_table::kControls[0]; ++i) {
            const dialog_table::Control& control = dialog_table::kControls[i];
            GtkWidget* widget = gtk_backend::ControlAt(dlg.m_hWnd, i);
            GtkAllocation at;
            gtk_widget_get_allocation(widget, &at);
            SCOPED_TRACE("control " + std::to_string(i) + " (" + control.text + ")");
            EXPECT_EQ(at.x, DialogXToPixels(control.x, base));
            EXPECT_EQ(at.y, DialogYToPixels(control.y, base));
            EXPECT_EQ(at.width, DialogXToPixels(control.cx, base));
            EXPECT_EQ(at.height, DialogYToPixels(control.cy, base));
            if (GTK_IS_LABEL(widget)) {
                EXPECT_LE(TextWidth(widget, control.text), at.width);
            }
        }
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(GtkDialog, OneChangeNotificationPerWrite)
{
    TestDialog dialog([](TestDialog& dlg) {
        dlg.SetDlgItemText(IDC_TOTAL_SECONDS, "30");
        EXPECT_EQ(dlg.changes, 1);
        // The same text again: GTK itself stays silent, Windows notifies.
        dlg.SetDlgItemText(IDC_TOTAL_SECONDS, "30");
        EXPECT_EQ(dlg.changes, 2);
        dlg.SetDlgItemInt(IDC_TOTAL_SECONDS, static_cast<UINT>(-5));
        EXPECT_EQ(dlg.changes, 3);
        CString text;
        dlg.GetDlgItemText(IDC_TOTAL_SECONDS, text);
        EXPECT_EQ(text, CString("-5"));
        // The user's edit: one keystroke, then a paste over the selection.
        GtkWidget* field = gtk_backend::ControlAt(dlg.m_hWnd, 2);
        int at = 2;
        gtk_editable_insert_text(GTK_EDITABLE(field), "0", 1, &at);
        EXPECT_EQ(dlg.changes, 4);
        gtk_clipboard_set_text(gtk_widget_get_clipboard(field, GDK_SELECTION_CLIPBOARD), "7", -1);
        gtk_editable_select_region(GTK_EDITABLE(field), 0, -1);
        g_signal_emit_by_name(field, "paste-clipboard");
        while (gtk_events_pending())
            gtk_main_iteration();
        BOOL translated = FALSE;
        EXPECT_EQ(static_cast<int>(dlg.GetDlgItemInt(IDC_TOTAL_SECONDS, &translated)), 7);
        EXPECT_TRUE(translated);
        EXPECT_EQ(dlg.changes, 5);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(GtkDialog, AMessageBoxShowsItsCaptionTextAndKind)
{
    TestDialog dialog([](TestDialog& dlg) {
        std::string title, text;
        GtkMessageType kind = GTK_MESSAGE_OTHER;
        GtkWidget* owner = nullptr;
        AnswerWhenShown(IsMessageDialog, [&](GtkWidget* box) {
            title = gtk_window_get_title(GTK_WINDOW(box));
            gchar* shown = nullptr;
            g_object_get(box, "text", &shown, "message-type", &kind, nullptr);
            text = shown;
            g_free(shown);
            owner = GTK_WIDGET(gtk_window_get_transient_for(GTK_WINDOW(box)));
            EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(box)));
            gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
            return GTK_RESPONSE_OK;
        });
        // The program's texts are code page 936: "失败" with CR LF before it.
        EXPECT_EQ(dlg.MessageBox("\xca\xa7\r\n\xb0\xdc", "\x4d\x50\x33", MB_OK | MB_ICONEXCLAMATION), IDOK);
        EXPECT_EQ(title, "MP3");
        EXPECT_EQ(text, "\xe5\xa4\xb1\n\xe8\xb4\xa5");
        EXPECT_EQ(kind, GTK_MESSAGE_WARNING);
        EXPECT_EQ(owner, gtk_backend::Toplevel(dlg.m_hWnd));
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

// The save dialog as the cut shows it: the filter in any case, the default
// extension added to a name without one, no question about an existing
// file; cancelling gives IDCANCEL.
TEST(GtkDialog, TheSaveDialogAnsweredByTheUser)
{
    char folder[] = "/tmp/qarvel-gtk-layer.XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    TestDialog dialog([&](TestDialog& dlg) {
        struct Row {
            const char* typed;
            INT_PTR result;
            std::string path;
        } rows[] = {
            { "Clip", IDOK, std::string(folder) + "/Clip.mp3" },
            { "notes.wav", IDOK, std::string(folder) + "/notes.wav" },
            { nullptr, IDCANCEL, "" },
        };
        for (const Row& row : rows) {
            bool matchesAnyCase = false, matchesOther = true;
            AnswerWhenShown(IsFileChooserDialog, [&](GtkWidget* files) {
                GtkFileChooser* chooser = GTK_FILE_CHOOSER(files);
                EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(files)),
                          GTK_WINDOW(gtk_backend::Toplevel(dlg.m_hWnd)));
                GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser);
                if (!filter) {
                    ADD_FAILURE() << "no filter";
                    gtk_dialog_response(GTK_DIALOG(files), GTK_RESPONSE_CANCEL);
                    return GTK_RESPONSE_CANCEL;
                }
                EXPECT_STREQ(gtk_file_filter_get_name(filter), "mp3\xe6\xad\x8c\xe6\x9b\xb2\xe6\x96\x87\xe4\xbb\xb6(*.mp3)");
                GtkFileFilterInfo song = { GTK_FILE_FILTER_DISPLAY_NAME, nullptr, nullptr, "SONG.Mp3", nullptr };
                GtkFileFilterInfo other = { GTK_FILE_FILTER_DISPLAY_NAME, nullptr, nullptr, "song.wav", nullptr };
                matchesAnyCase = gtk_file_filter_filter(filter, &song);
                matchesOther = gtk_file_filter_filter(filter, &other);
                EXPECT_FALSE(gtk_file_chooser_get_do_overwrite_confirmation(chooser));
                if (!row.typed) {
                    gtk_dialog_response(GTK_DIALOG(files), GTK_RESPONSE_CANCEL);
                    return GTK_RESPONSE_CANCEL;
                }
                gtk_file_chooser_set_current_folder(chooser, folder);
                gtk_file_chooser_set_current_name(chooser, row.typed);
                gtk_dialog_response(GTK_DIALOG(files), GTK_RESPONSE_ACCEPT);
                return GTK_RESPONSE_ACCEPT;
            });
            CFileDialog save(FALSE, "mp3", nullptr, OFN_HIDEREADONLY,
                             "mp3\xb8\xe8\xc7\xfa\xce\xc4\xbc\xfe(*.mp3)|*.mp3|", &dlg);
            EXPECT_EQ(save.DoModal(), row.result);
            if (row.result == IDOK) {
                EXPECT_EQ(save.GetPathName().Str(), row.path);
            }
            EXPECT_TRUE(matchesAnyCase);
            EXPECT_FALSE(matchesOther);
        }
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    rmdir(folder);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "gtk_layer_tests: no display\n0 passed, 1 failed\n");
        return 1;
    }
    int result = RUN_ALL_TESTS();
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    std::printf("%d passed, %d failed\n", run.successful_test_count(), run.failed_test_count());
    return result;
}
