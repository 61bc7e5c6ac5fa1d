// How the win32 backend should write a slice in pieces: out of a read-only
// view of the source, or through one reused buffer (ReadFile into it,
// WriteFile from it). Both write the same pieces as a cut does (2 MiB,
// then about half a second each, at most 32 times the last), each flushed
// with FlushFileBuffers, and take turns after the same pause. Prints the
// median and fastest seconds of each. A program that prints figures.
//
//     piece_bench SOURCE OUTPUT_FOLDER BYTES [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kBuffer = 1u << 20;

double Seconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

DWORD NextPiece(DWORD last, double lastSeconds)
{
    if (last == 0)
        return 2u << 20;
    double size = lastSeconds > 0 ? last * 0.5 / lastSeconds : 1e18;
    size = std::min(size, static_cast<double>(last) * 32);
    return static_cast<DWORD>(std::max(size, 256.0 * 1024));
}

bool WriteAll(HANDLE out, const char* data, DWORD count)
{
    while (count > 0) {
        DWORD put = 0;
        if (!WriteFile(out, data, count, &put, nullptr) || put == 0)
            return false;
        data += put;
        count -= put;
    }
    return true;
}

// Writes [0, bytes) of the source in pieces; `piece` writes one.
template <class Piece>
bool InPieces(HANDLE out, DWORD bytes, Piece piece)
{
    DWORD size = 0;
    double took = 0;
    for (DWORD at = 0; at < bytes;) {
        size = std::min(NextPiece(size, took), bytes - at);
        double began = Seconds();
        if (!piece(at, size) || !FlushFileBuffers(out))
            return false;
        took = Seconds() - began;
        at += size;
    }
    return true;
}

bool ByView(HANDLE in, HANDLE out, DWORD bytes)
{
    HANDLE mapping = CreateFileMappingW(in, nullptr, PAGE_READONLY, 0, 0, nullptr);
    const char* view = mapping ? static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, bytes)) : nullptr;
    bool done = view && InPieces(out, bytes, [&](DWORD at, DWORD count) { return WriteAll(out, view + at, count); });
    if (view)
        UnmapViewOfFile(view);
    if (mapping)
        CloseHandle(mapping);
    return done;
}

bool ByBuffer(HANDLE in, HANDLE out, DWORD bytes)
{
    std::vector<char> buffer(kBuffer);
    return InPieces(out, bytes, [&](DWORD, DWORD count) {
        while (count > 0) {
            DWORD want = std::min(count, kBuffer), got = 0;
            if (!ReadFile(in, buffer.data(), want, &got, nullptr) || got != want || !WriteAll(out, buffer.data(), got))
                return false;
            count -= got;
        }
        return true;
    });
}

double Time(const std::string& source, const std::string& output, DWORD bytes, bool view)
{
    DeleteFileA(output.c_str());
    Sleep(1000);
    double began = Seconds();
    HANDLE in = CreateFileA(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE out = CreateFileA(output.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    bool done = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE
        && (view ? ByView(in, out, bytes) : ByBuffer(in, out, bytes));
    CloseHandle(in);
    CloseHandle(out);
    double took = Seconds() - began;
    DeleteFileA(output.c_str());
    if (!done) {
        std::printf("piece_bench: the copy failed (%lu)\n", GetLastError());
        std::exit(1);
    }
    return took;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::printf("usage: piece_bench SOURCE OUTPUT_FOLDER BYTES [RUNS]\n");
        return 2;
    }
    std::string source = argv[1];
    std::string output = std::string(argv[2]) + "\\piece-bench.out";
    DWORD bytes = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
    int runs = argc > 4 ? std::atoi(argv[4]) : 7;
    std::vector<double> view, buffer;
    for (int i = 0; i < runs; ++i) {
        view.push_back(Time(source, output, bytes, true));
        buffer.push_back(Time(source, output, bytes, false));
    }
    std::sort(view.begin(), view.end());
    std::sort(buffer.begin(), buffer.end());
    std::printf("%-10lu view    median %.4f s  fastest %.4f s\n", bytes, view[view.size() / 2], view[0]);
    std::printf("%-10lu buffer  median %.4f s  fastest %.4f s\n", bytes, buffer[buffer.size() / 2], buffer[0]);
    return 0;
}
