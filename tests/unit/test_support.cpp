#include "test_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "file_tree.h"
#include "res/resource.h"

namespace testing_support {

TempDir::TempDir(const char* base)
{
    if (!base)
        base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qarvel-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        throw std::runtime_error("mkdtemp failed");
    m_root = buffer.data();
}

TempDir::~TempDir()
{
    RemoveTree(m_root);
}

std::vector<std::string> TempDir::Entries() const
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(m_root.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string PatternBytes(size_t n)
{
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool PathExists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

bool NamesIgnoreCase(const std::string& folder)
{
    std::string probe = folder + "/Case-Probe";
    WriteFile(probe, "");
    bool ignores = PathExists(folder + "/case-probe");
    ::unlink(probe.c_str());
    return ignores;
}

void MakeSparseFile(const std::string& path, unsigned long long length)
{
    WriteFile(path, "");
    if (::truncate(path.c_str(), static_cast<off_t>(length)) != 0)
        throw std::runtime_error("cannot size " + path);
}

std::vector<headless::ControlSpec> CutFormControls()
{
    std::vector<headless::ControlSpec> controls;
    for (int id = IDC_SOURCE_PATH; id <= IDC_BYTE_COUNT; ++id) {
        bool disabled = id == IDC_FILE_SIZE || id == IDC_BYTES_PER_SECOND;
        controls.push_back({ id, "EDIT", !disabled, "" });
    }
    return controls;
}

std::vector<headless::ControlSpec> CutterDialogControls()
{
    std::vector<headless::ControlSpec> controls = CutFormControls();
    controls.push_back({ IDC_OPEN_SOURCE, "BUTTON", true, "open" });
    controls.push_back({ IDOK, "BUTTON", true, "save" });
    controls.push_back({ IDCANCEL, "BUTTON", true, "close" });
    return controls;
}

std::vector<headless::ControlSpec> ProgressDialogControls()
{
    return { { IDC_CUT_PROGRESS, "PROGRESS", true, "" },
             { IDC_CUT_WRITTEN, "STATIC", true, "" },
             { IDC_CUT_TIME_LEFT, "STATIC", true, "" },
             { IDCANCEL, "BUTTON", true, "cancel" } };
}

std::vector<std::string> FormTest::BoxTexts() const
{
    std::vector<std::string> texts;
    for (const headless::MessageBoxShown& box : session.messageBoxes)
        texts.push_back(box.text);
    return texts;
}

}  // namespace testing_support
