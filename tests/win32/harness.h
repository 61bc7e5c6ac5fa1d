// A small test harness for the layer tests that run under Wine: tests
// register themselves, checks record failures with the actual value, and
// main prints one line per test and a final "N passed, M failed".
#pragma once

#include <string>

namespace harness {

void Register(const char* name, void (*run)());
// Records a failure of the running test.
void Fail(const char* file, int line, const std::string& message);
// The program's arguments after the options: argv[1] is the path of Qarvel.exe.
const std::string& QarvelPath();

// Printable forms: bytes outside ASCII as \xNN, UTF-16 outside ASCII as \uNNNN.
std::string Show(const std::string& bytes);
std::string Show(const std::u16string& text);
std::string Show(const char* bytes);
std::string Show(const char16_t* text);
std::string Show(long long value);
std::string Show(unsigned long long value);
inline std::string Show(int value) { return Show(static_cast<long long>(value)); }
inline std::string Show(long value) { return Show(static_cast<long long>(value)); }
inline std::string Show(unsigned value) { return Show(static_cast<unsigned long long>(value)); }
inline std::string Show(unsigned long value) { return Show(static_cast<unsigned long long>(value)); }
inline std::string Show(bool value) { return value ? "true" : "false"; }
std::string Show(const void* pointer);

// Names the case of a table that the following failures belong to.
class Case {
public:
    explicit Case(const std::string& name);
    ~Case();
    Case(const Case&) = delete;
    Case& operator=(const Case&) = delete;

private:
    std::string m_previous;
};

}  // namespace harness

#define TEST(name)                                                                    \
    static void name();                                                               \
    static const bool name##_registered = (harness::Register(#name, &name), true);    \
    static void name()

#define CHECK(condition)                                                              \
    do {                                                                              \
        if (!(condition))                                                             \
            harness::Fail(__FILE__, __LINE__, "expected " #condition);                \
    } while (0)

#define CHECK_EQ(actual, expected)                                                    \
    do {                                                                              \
        /* copies: a reference to a member of a temporary would dangle */           \
        const auto actual_ = (actual);                                                \
        const auto expected_ = (expected);                                            \
        if (!(actual_ == expected_))                                                  \
            harness::Fail(__FILE__, __LINE__,                                         \
                          #actual ": expected " + harness::Show(expected_) + ", got " \
                              + harness::Show(actual_));                              \
    } while (0)
