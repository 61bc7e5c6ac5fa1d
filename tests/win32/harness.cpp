#include "tests/win32/harness.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "platform_types.h"

namespace harness {

namespace {

struct Test {
    const char* name;
    void (*run)();
};

std::vector<Test>& Tests()
{
    static std::vector<Test> tests;
    return tests;
}

int g_failures = 0;
std::string g_case;
std::string g_qarvelPath;
const char* g_running = "";

// A test that hangs (a window nobody closes) must not hang the run: the
// whole program gets a minute.
DWORD WINAPI Watchdog(void* /*unused*/)
{
    ::Sleep(60000);
    std::printf("FAIL %s: still running after 60 s\n", g_running);
    std::fflush(stdout);
    ::ExitProcess(3);
}

}  // namespace

void Register(const char* name, void (*run)())
{
    Tests().push_back({ name, run });
}

void Fail(const char* file, int line, const std::string& message)
{
    ++g_failures;
    const char* base = file;
    for (const char* p = file; *p; ++p)
        if (*p == '/' || *p == '\\')
            base = p + 1;
    std::printf("  %s:%d: %s%s%s\n", base, line, g_case.empty() ? "" : "[", g_case.c_str(),
                g_case.empty() ? "" : "] ");
    std::printf("    %s\n", message.c_str());
}

const std::string& QarvelPath()
{
    return g_qarvelPath;
}

std::string Show(const std::string& bytes)
{
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    return out + "\"";
}

std::string Show(const std::u16string& text)
{
    std::string out = "u\"";
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            out += escaped;
        }
    }
    return out + "\"";
}

std::string Show(const char* bytes)
{
    return bytes ? Show(std::string(bytes)) : "null";
}

std::string Show(const char16_t* text)
{
    return text ? Show(std::u16string(text)) : "null";
}

std::string Show(long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld", value);
    return text;
}

std::string Show(unsigned long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llu (0x%llX)", value, value);
    return text;
}

std::string Show(const void* pointer)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", pointer);
    return text;
}

Case::Case(const std::string& name) : m_previous(g_case)
{
    g_case = m_previous.empty() ? name : m_previous + " / " + name;
}

Case::~Case()
{
    g_case = m_previous;
}

}  // namespace harness

// layer_tests.exe QARVEL_EXE [NAME_PART]: runs every test, or those whose
// name contains NAME_PART.
int main(int argc, char** argv)
{
    using namespace harness;
    g_qarvelPath = argc > 1 ? argv[1] : "";
    const char* only = argc > 2 ? argv[2] : nullptr;
    HANDLE watchdog = ::CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    if (watchdog)
        ::CloseHandle(watchdog);

    int passed = 0;
    int failed = 0;
    for (const Test& test : Tests()) {
        if (only && !std::strstr(test.name, only))
            continue;
        g_running = test.name;
        int before = g_failures;
        try {
            test.run();
        } catch (const std::exception& e) {
            Fail(__FILE__, __LINE__, std::string("exception: ") + e.what());
        }
        g_case.clear();
        bool ok = g_failures == before;
        std::printf("%s %s\n", ok ? "PASS" : "FAIL", test.name);
        std::fflush(stdout);
        ++(ok ? passed : failed);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}
