// The number conventions of the form's fields and the change notification
// that every write sends.
#include <gtest/gtest.h>

#include <climits>
#include <map>

#include "core/cut_form.h"
#include "test_support.h"

namespace {

using testing_support::CutFormControls;

struct ReadCase {
    const char* text;
    int32_t expected;
};

TEST(FormNumbers, ReadAsSigned32BitWithUnconvertibleAsZero)
{
    const ReadCase cases[] = {
        { "-25", -25 },
        { "400", 400 },
        { "0", 0 },
        { "", 0 },
        { "abc", 0 },
        { "-", 0 },
        { "12abc", 12 },  // as GetDlgItemInt: up to the first non-digit
        { "1,000", 1 },
        { "2147483647", INT_MAX },
        { "-2147483648", INT_MIN },
        { "2147483648", 0 },
        { "-2147483649", 0 },
        { "99999999999999999999", 0 },
    };
    headless::Session session;
    CWnd form;
    headless::Window window(form, CutFormControls());
    for (const ReadCase& c : cases) {
        headless::Paste(form, IDC_START_BYTE, c.text);
        EXPECT_EQ(ReadNumber(form, IDC_START_BYTE), c.expected) << "text \"" << c.text << "\"";
    }
}

TEST(FormNumbers, WrittenAsSignedDecimal)
{
    const std::pair<uint32_t, const char*> cases[] = {
        { 400, "400" },
        { 0, "0" },
        { 0xFFFFFFFFu, "-1" },
        { 0x80000000u, "-2147483648" },
        { 0x7FFFFFFFu, "2147483647" },
    };
    headless::Session session;
    CWnd form;
    headless::Window window(form, CutFormControls());
    for (const auto& c : cases) {
        WriteNumber(form, IDC_BYTE_COUNT, c.first);
        EXPECT_EQ(headless::Text(form, IDC_BYTE_COUNT), c.second) << "value " << c.first;
    }
    ClearField(form, IDC_BYTE_COUNT);
    EXPECT_EQ(headless::Text(form, IDC_BYTE_COUNT), "");
}

// Counts the change notifications of every field through a routing table.
class CountingForm : public CWnd {
public:
    std::map<int, int> changes;

protected:
    void OnChange1000() { ++changes[1000]; }
    void OnChange1001() { ++changes[1001]; }
    void OnChange1007() { ++changes[1007]; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CountingForm, CWnd)
    ON_EN_CHANGE(1000, &CountingForm::OnChange1000)
    ON_EN_CHANGE(1001, &CountingForm::OnChange1001)
    ON_EN_CHANGE(1007, &CountingForm::OnChange1007)
END_MESSAGE_MAP()

TEST(FormNotifications, EveryWriteNotifiesOnceAndSynchronously)
{
    headless::Session session;
    CountingForm form;
    headless::Window window(form, CutFormControls());

    form.SetDlgItemText(1000, "/tmp/a.mp3");
    EXPECT_EQ(form.changes[1000], 1);
    form.SetDlgItemText(1000, "/tmp/a.mp3");  // the same text again still notifies
    EXPECT_EQ(form.changes[1000], 2);
    form.SetDlgItemInt(1001, 900, TRUE);       // a disabled field notifies too
    EXPECT_EQ(form.changes[1001], 1);
    ClearField(form, 1007);
    EXPECT_EQ(form.changes[1007], 1);

    headless::Type(form, 1007, "123");
    EXPECT_EQ(form.changes[1007], 4) << "one notification per keystroke";
}

}  // namespace
