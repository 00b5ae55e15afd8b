// The size field holds at most 32 characters: typed, pasted or stored. A stored text of a
// megabyte (anyone who may save settings can write the shared key) opens and closes Options in
// moments, shown cut, and Kestrel stays responsive.
#include "tests/e2e/capture_support.h"
#include "tests/e2e/options_support.h"

namespace kestrel::e2e {
namespace {

using OptionsSizeField = OptionsTest;

constexpr size_t kFieldLength = 32;

bool Responsive(HWND wnd) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(wnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) != 0;
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(OptionsSizeField, AStoredMegabyteIsShownCutAndNothingHangs) {
    const std::string stored = "25" + std::string((1u << 20) - 2, 'x');
    const std::wstring cut(stored.begin(), stored.begin() + kFieldLength);
    DeleteSettingsKey();
    WriteSettings("1", "1", "P", "");
    WriteText("Percent", stored);
    ASSERT_NO_FATAL_FAILURE(Start());

    const auto start = std::chrono::steady_clock::now();
    ASSERT_NO_FATAL_FAILURE(Show());
    EXPECT_TRUE(Responsive(dialog));
    const long long openMs = MillisecondsSince(start);
    const auto opened = std::chrono::steady_clock::now();
    const std::wstring shown = WindowText(field);
    ASSERT_LE(shown.size(), kFieldLength) << "the stored text is shown whole";
    EXPECT_EQ(shown, cut);

    EXPECT_TRUE(CloseDialog(dialog, WM_CLOSE)) << "Options did not close";
    EXPECT_TRUE(Responsive(main_));
    std::printf("[ INFO     ] Options with a 1 MiB Percent: open %lld ms, closed %lld ms after\n", openMs,
                MillisecondsSince(opened));
    EXPECT_EQ(Field(main_, ids::fmMain::kTxtPercent).size(), stored.size()) << "closing without OK keeps the setting";

    // OK takes the text as the field shows it.
    ASSERT_NO_FATAL_FAILURE(Show());
    EXPECT_TRUE(PressOK(dialog));
    const std::wstring kept = Field(main_, ids::fmMain::kTxtPercent);
    ASSERT_LE(kept.size(), kFieldLength);
    EXPECT_EQ(kept, cut);
}

TEST_F(OptionsSizeField, APasteOrTypingStopsAt32Characters) {
    ASSERT_NO_FATAL_FAILURE(Open(true));
    const std::wstring forty = L"1234567890123456789012345678901234567890";
    capture::PutTextOnClipboard(forty);
    PostMouseClick(field);
    ::PostMessageW(field, EM_SETSEL, 0, -1);
    ::PostMessageW(field, WM_PASTE, 0, 0);
    Sync(dialog);
    EXPECT_EQ(WindowText(field), forty.substr(0, kFieldLength)) << "a longer paste is cut";
    EXPECT_EQ(bells->AtLeast(1), 1) << "with the usual beep";

    TypeInto(field, forty);
    Sync(dialog);
    EXPECT_EQ(WindowText(field), forty.substr(0, kFieldLength)) << "typing stops at the limit";
    EXPECT_TRUE(CloseDialog(dialog, WM_CLOSE));
    EXPECT_TRUE(kestrel_.Running());
}

}  // namespace
}  // namespace kestrel::e2e
