#include "fault_support.h"

#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "core/cut_command.h"
#include "core/messages.h"
#include "res/resource.h"

namespace faults {

namespace {

bool WriteAll(int fd, const void* data, size_t size)
{
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t put = ::write(fd, at, size);
        if (put <= 0)
            return false;
        at += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

void ListInto(const std::string& root, const std::string& relative, std::vector<std::string>* out)
{
    DIR* folder = ::opendir((root + "/" + relative).c_str());
    if (!folder)
        return;
    while (dirent* entry = ::readdir(folder)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string path = relative.empty() ? name : relative + "/" + name;
        struct stat info;
        if (::lstat((root + "/" + path).c_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            out->push_back(path + "/");
            ListInto(root, path, out);
        } else {
            out->push_back(S_ISLNK(info.st_mode) ? path + "@" : path);
        }
    }
    ::closedir(folder);
}

}  // namespace

Report RunInChild(const std::function<void(Report& report)>& body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return { "child died: no pipe" };
    std::fflush(nullptr);  // or buffered output would be written twice
    pid_t pid = ::fork();
    if (pid < 0)
        return { "child died: no fork" };
    if (pid == 0) {
        ::close(fds[0]);
        Report report;
        body(report);
        // Each line as its length and bytes: messages hold CR LF and GBK bytes.
        bool sent = true;
        for (const std::string& line : report) {
            uint32_t length = static_cast<uint32_t>(line.size());
            sent = sent && WriteAll(fds[1], &length, sizeof length) && WriteAll(fds[1], line.data(), line.size());
        }
        ::_exit(sent ? 0 : 3);
    }
    ::close(fds[1]);
    std::string bytes;
    char chunk[4096];
    ssize_t got;
    while ((got = ::read(fds[0], chunk, sizeof chunk)) > 0)
        bytes.append(chunk, static_cast<size_t>(got));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);

    Report report;
    size_t at = 0;
    while (at + sizeof(uint32_t) <= bytes.size()) {
        uint32_t length;
        std::copy_n(bytes.data() + at, sizeof length, reinterpret_cast<char*>(&length));
        at += sizeof length;
        report.push_back(bytes.substr(at, length));
        at += length;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        report.push_back(WIFSIGNALED(status) ? "child died: signal " + std::to_string(WTERMSIG(status))
                                             : "child died: exit " + std::to_string(WEXITSTATUS(status)));
    }
    return report;
}

bool DropRoot()
{
    if (::geteuid() != 0)
        return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kUnprivileged) == 0 && ::setuid(kUnprivileged) == 0 &&
           ::geteuid() == kUnprivileged;
}

std::vector<std::string> Tree(const std::string& root)
{
    std::vector<std::string> paths;
    ListInto(root, "", &paths);
    std::sort(paths.begin(), paths.end());
    return paths;
}

void CutFaults::SetUp()
{
    testing_support::WriteFile(source, sourceBytes);
    SetField(IDC_SOURCE_PATH, source);
}

void CutFaults::SetRange(int start, int count)
{
    SetField(IDC_START_BYTE, std::to_string(start));
    SetField(IDC_BYTE_COUNT, std::to_string(count));
}

Report CutFaults::Cut(const std::string& typed)
{
    std::map<int, std::string> before = Fields();
    session.shown.clear();
    session.AnswerFileDialog(typed);
    RunCutCommand(form);
    Report seen = session.shown;
    if (Fields() != before)
        seen.push_back("form changed");
    return seen;
}

Report CutFaults::Succeeded()
{
    return { "save dialog", std::string("box 0x40 ") + TXT_CUT_DONE };
}

std::map<int, std::string> CutFaults::Fields() const
{
    std::map<int, std::string> fields;
    for (int id = IDC_SOURCE_PATH; id <= IDC_BYTE_COUNT; ++id)
        fields[id] = Field(id);
    return fields;
}

}  // namespace faults
