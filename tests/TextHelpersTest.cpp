#include <gtest/gtest.h>
#include <string>
#include "common/AppendBounded.h"
#include "common/ControlUpdates.h"

TEST(AppendBounded, CutsAtCapacityAndKeepsTerminator)
{
    struct Row {
        const char* name;
        size_t capacity;
        const wchar_t* start;
        const wchar_t* text;
        const wchar_t* expected;
    } rows[] = {
        {"fits", 10, L"ab", L"cd", L"abcd"},
        {"exactly full", 5, L"ab", L"cd", L"abcd"},
        {"cut", 5, L"ab", L"cdef", L"abcd"},
        {"capacity one", 1, L"", L"abc", L""},
        {"empty text", 4, L"ab", L"", L"ab"},
        {"already full", 4, L"abc", L"d", L"abc"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        wchar_t buffer[16];
        std::fill(std::begin(buffer), std::end(buffer), L'#');
        wcscpy(buffer, row.start);
        AppendBounded(buffer, row.capacity, row.text);
        EXPECT_STREQ(buffer, row.expected);
        EXPECT_EQ(buffer[row.capacity], L'#') << "wrote past the capacity";
    }
}

TEST(AppendBounded, UnterminatedBufferIsTerminatedAndLeftAlone)
{
    wchar_t buffer[5] = {L'a', L'b', L'c', L'd', L'e'};
    AppendBounded(buffer, 5, L"xyz");
    EXPECT_STREQ(buffer, L"abcd");
}

namespace {

int setTextCount = 0;
WNDPROC staticProc = nullptr;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT) ++setTextCount;
    return CallWindowProcW(staticProc, window, message, wParam, lParam);
}

struct CountedStatic {
    HWND window;
    CountedStatic()
    {
        window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
        staticProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
        setTextCount = 0;
    }
    ~CountedStatic() { DestroyWindow(window); }
};

}  // namespace

TEST(SetTextIfChanged, SetsOnlyWhatDiffersWithin511Characters)
{
    CountedStatic label;
    const std::wstring t511(511, L'x');
    const std::wstring t512(512, L'x');
    struct Row {
        const char* name;
        std::wstring current;
        std::wstring next;
        int expectedSets;
    } rows[] = {
        {"same text", L"Работает", L"Работает", 0},
        {"different text", L"Работает", L"Остановлена", 1},
        {"longer text with same start", L"Работ", L"Работает", 1},
        {"shorter text", L"Работает", L"Работ", 1},
        {"to empty", L"abc", L"", 1},
        {"511 characters, same", t511, t511, 0},
        {"511 characters, last differs", t511, std::wstring(510, L'x') + L"y", 1},
        {"512 characters always set", t512, t512, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetWindowTextW(label.window, row.current.c_str());
        setTextCount = 0;
        SetTextIfChanged(label.window, row.next.c_str());
        EXPECT_EQ(setTextCount, row.expectedSets);
    }
    SetTextIfChanged(nullptr, L"x");  // a missing control is no error
}

TEST(SetEnabledAndCheckIfChanged, ChangeOnlyWhenDifferent)
{
    // three states: a two-state check box turns BST_INDETERMINATE into BST_CHECKED
    HWND box = CreateWindowExW(0, L"BUTTON", L"", WS_POPUP | BS_3STATE, 0, 0, 50, 20, nullptr, nullptr, nullptr,
                               nullptr);
    SetEnabledIfChanged(box, FALSE);
    EXPECT_FALSE(IsWindowEnabled(box));
    SetEnabledIfChanged(box, 7);  // any nonzero value enables
    EXPECT_TRUE(IsWindowEnabled(box));

    SetCheckIfChanged(box, TRUE);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    SetCheckIfChanged(box, FALSE);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // indeterminate counts as unchecked: checking sets it, unchecking leaves it alone
    struct Row {
        const char* name;
        WPARAM state;
        bool isChecked;
        BOOL check;
        LRESULT after;
    } const rows[] = {
        {"unchecked, check", BST_UNCHECKED, false, TRUE, BST_CHECKED},
        {"checked, uncheck", BST_CHECKED, true, FALSE, BST_UNCHECKED},
        {"indeterminate, check", BST_INDETERMINATE, false, TRUE, BST_CHECKED},
        {"indeterminate, uncheck", BST_INDETERMINATE, false, FALSE, BST_INDETERMINATE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SendMessageW(box, BM_SETCHECK, row.state, 0);
        ASSERT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(row.state)) << "the box keeps the state";
        EXPECT_EQ(IsChecked(box), row.isChecked);
        SetCheckIfChanged(box, row.check);
        EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), row.after);
    }
    DestroyWindow(box);
    SetEnabledIfChanged(nullptr, TRUE);
}
