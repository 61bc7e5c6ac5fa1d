// Cut throughput and peak memory of the real cut command beside dd and
// tail | head copying the same bytes, each timed as a whole process. The
// baseline is dd conv=fsync: the cut's output is on the disk when it ends,
// as dd's is then; plain dd shows what that costs.
//   bench [--work DIR] [--runs N] [--cut PATH]
// Prints a table; the figures are medians of N runs on a warm page cache.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const long long MiB = 1024 * 1024;

struct Run {
    double seconds;
    long maxRssKiB;
};

// Runs argv as a child and waits; the child's own peak resident set comes
// from wait4.
Run RunProcess(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    auto started = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    wait4(pid, &status, 0, &usage);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench: %s failed\n", argv[0].c_str());
        std::exit(1);
    }
    return { seconds, usage.ru_maxrss };
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void MakeSource(const std::string& path, long long size)
{
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && info.st_size == size)
        return;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> block(MiB);
    for (long long done = 0; done < size; done += MiB) {
        for (size_t i = 0; i < block.size(); i += 4096)
            block[i] = static_cast<char>(done / MiB + i);
        if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
            std::perror("bench: write");
            std::exit(1);
        }
    }
    close(fd);
}

// Reads the source once so every run finds it in the page cache.
void Warm(const std::string& path)
{
    RunProcess({ "sh", "-c", "cat '" + path + "' > /dev/null" });
}

}  // namespace

int main(int argc, char** argv)
{
    std::string work = "build/bench-work";
    std::string cut = "build/bench/bench/cut_once";
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i];
        if (flag == "--work")
            work = argv[i + 1];
        else if (flag == "--runs")
            runs = std::atoi(argv[i + 1]);
        else if (flag == "--cut")
            cut = argv[i + 1];
    }
    mkdir(work.c_str(), 0755);
    std::string source = work + "/source.bin";
    const long long sourceSize = 1088 * MiB;  // 1 GiB plus room for an offset
    MakeSource(source, sourceSize);
    Warm(source);

    const long long start = 7 * MiB + 12345;  // not aligned to anything
    std::printf("%-8s %-16s %10s %10s %9s %12s\n", "slice", "tool", "median s", "MiB/s", "vs fsync", "peak RSS MiB");
    for (long long slice : { 1 * MiB, 64 * MiB, 1024 * MiB }) {
        std::string out = work + "/out.mp3";
        std::string sliceText = std::to_string(slice);
        std::string startText = std::to_string(start);
        struct Tool {
            const char* name;
            std::vector<std::string> argv;
        };
        const Tool tools[] = {
            { "dd conv=fsync", { "dd", "if=" + source, "of=" + out, "iflag=skip_bytes,count_bytes", "bs=1M",
                                 "skip=" + startText, "count=" + sliceText, "status=none", "conv=fsync" } },
            { "dd", { "dd", "if=" + source, "of=" + out, "iflag=skip_bytes,count_bytes", "bs=1M",
                      "skip=" + startText, "count=" + sliceText, "status=none" } },
            { "cut command", { cut, source, startText, sliceText, out } },
            { "tail | head", { "sh", "-c", "tail -c +" + std::to_string(start + 1) + " '" + source +
                                               "' | head -c " + sliceText + " > '" + out + "'" } },
        };
        double baseSeconds = 0;
        for (const Tool& tool : tools) {
            std::vector<double> times;
            long peak = 0;
            for (int r = 0; r < runs; ++r) {
                unlink(out.c_str());
                Run run = RunProcess(tool.argv);
                times.push_back(run.seconds);
                peak = std::max(peak, run.maxRssKiB);
            }
            double median = Median(times);
            if (&tool == &tools[0])
                baseSeconds = median;
            std::printf("%-8s %-16s %10.4f %10.0f %8.2fx %12.1f\n",
                        (std::to_string(slice / MiB) + " MiB").c_str(), tool.name, median,
                        slice / MiB / median, median / baseSeconds, peak / 1024.0);
        }
        unlink(out.c_str());
    }
    return 0;
}
