// Shared by the fault tests: the cut form over a real temporary folder, a
// forked child for faults that must not reach the test process (resource
// limits, a dropped uid), and a listing of what is on disk.
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "../unit/test_support.h"

namespace faults {

// Lines a child process sends back to the parent.
using Report = std::vector<std::string>;

inline void Append(Report& to, const Report& more)
{
    to.insert(to.end(), more.begin(), more.end());
}

// Runs body in a forked child and returns what it reported. The child leaves
// with _exit, so it tears down nothing the parent owns (the temporary
// folder, GoogleTest's state). A child that did not exit with 0 adds a last
// line "child died: ...".
Report RunInChild(const std::function<void(Report& report)>& body);

// Turns the process into an unprivileged user (uid and gid 65534) when it
// runs as root, since root ignores permission bits. True when permission
// bits apply afterwards.
bool DropRoot();
constexpr uid_t kUnprivileged = 65534;

// Everything under root, as sorted relative paths; folders end in "/",
// symbolic links in "@".
std::vector<std::string> Tree(const std::string& root);

class CutFaults : public testing_support::FormTest {
protected:
    std::string source = dir.Path("song.mp3");
    std::string sourceBytes = testing_support::PatternBytes(4000);

    void SetUp() override;
    void SetRange(int start, int count);
    // Runs the cut command with the save dialog answered by typed (a path
    // inside the folder). Returns what the user saw, in order, plus "form
    // changed" when any field differs afterwards.
    Report Cut(const std::string& typed);

    static Report Warned(const std::string& text) { return { "save dialog", "box 0x30 " + text }; }
    static Report Succeeded();

private:
    std::map<int, std::string> Fields() const;
};

}  // namespace faults
