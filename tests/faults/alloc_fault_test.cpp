// The cut command when the slice buffer cannot be had: a real allocation
// failure, from a limit on the address space of a forked child. Built
// without sanitizers: AddressSanitizer reserves terabytes of shadow address
// space and cannot run under RLIMIT_AS, and its own size limit
// (allocator_may_return_null) would stand in for the system's refusal.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>

#include "core/cut_form.h"
#include "core/messages.h"
#include "fault_support.h"

namespace {

using faults::Append;
using faults::CutFaults;
using faults::Report;
using faults::RunInChild;
using faults::Tree;
using testing_support::ReadFile;

// The address space the process holds now, in bytes.
rlim_t AddressSpaceInUse()
{
    std::ifstream statm("/proc/self/statm");
    unsigned long pages = 0;
    statm >> pages;
    return static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

TEST_F(CutFaults, ABufferThatCannotBeAllocatedIsReportedAndTheNextCutWorks)
{
    // The largest source the checks accept, as a hole after the pattern:
    // a count just below 2 GiB passes every range check.
    ASSERT_EQ(::truncate(source.c_str(), 0x7FFFFFFF), 0);
    const int huge = 0x7FFFFFFE;
    Report report = RunInChild([&](Report& r) {
        // Room for the small cut, none for the huge one.
        rlim_t limit = AddressSpaceInUse() + (256u << 20);
        struct rlimit space = { limit, limit };
        if (::setrlimit(RLIMIT_AS, &space) != 0) {
            r.push_back("no address space limit");
            return;
        }
        SetRange(0, huge);
        Append(r, Cut(dir.Path("huge")));
        SetRange(100, 500);
        Append(r, Cut(dir.Path("small")));
    });
    Report expected = Warned(TXT_OUT_OF_MEMORY);
    Append(expected, Succeeded());
    EXPECT_EQ(report, expected);
    EXPECT_EQ(Tree(dir.Root()), (std::vector<std::string>{ "small.mp3", "song.mp3" }));
    EXPECT_EQ(ReadFile(dir.Path("small.mp3")), sourceBytes.substr(100, 500));
}

}  // namespace
