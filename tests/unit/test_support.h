// Shared helpers of the unit tests: a temporary folder on the real file
// system and the cut form as a headless window.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cwnd.h"
#include "platform/headless/headless.h"
#include "res/resource.h"

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempDir {
public:
    // Under base, when given, instead.
    explicit TempDir(const char* base = nullptr);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Root() const { return m_root; }
    std::string Path(const std::string& name) const { return m_root + "/" + name; }
    // Names of the entries directly inside the folder, sorted.
    std::vector<std::string> Entries() const;

private:
    std::string m_root;
};

// n bytes of a pattern in which every offset of a small file is
// distinguishable from its neighbours.
std::string PatternBytes(size_t n);
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool PathExists(const std::string& path);
// True when the folder's file system takes a name in any case for the same
// file (FAT, exFAT).
bool NamesIgnoreCase(const std::string& folder);
// A file of the given length that takes no disk space (a hole).
void MakeSparseFile(const std::string& path, unsigned long long length);

// The eight edit fields, 1001 and 1003 disabled, as the dialog has them.
std::vector<headless::ControlSpec> CutFormControls();
// The dialog template's controls that have IDs of their own.
std::vector<headless::ControlSpec> CutterDialogControls();
// The progress window's, likewise.
std::vector<headless::ControlSpec> ProgressDialogControls();

// A test with a headless session, a temporary folder and the cut form.
class FormTest : public ::testing::Test {
protected:
    // A cut's copy runs on its worker thread behind the progress window,
    // as in the program.
    FormTest() { session.RegisterTemplate(IDD_CUT_PROGRESS, ProgressDialogControls()); }

    headless::Session session;
    TempDir dir;
    CWnd form;
    headless::Window window{ form, CutFormControls() };

    std::string Field(int id) const { return headless::Text(form, id); }
    void SetField(int id, const std::string& text) { headless::Paste(form, id, text); }
    // The texts of the message boxes shown so far.
    std::vector<std::string> BoxTexts() const;
};

}  // namespace testing_support
