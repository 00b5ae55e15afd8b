// The main window as a user meets it, and the settings it loads at start-up and saves at Exit.
#include "app/fmMain_ids.h"
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kestrel::e2e {
namespace {

using MainWindow = KestrelTest;
using Settings = KestrelTest;

// One pixel of tolerance, expressed in twips at the screen's DPI.
int OnePixel() { return ToTwips(1) + 1; }

TEST_F(MainWindow, LooksAsLaidOut) {
    DeleteSettingsKey();
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(WindowText(main_), L"Kestrel");

    RECT client{};
    ::GetClientRect(main_, &client);
    EXPECT_NEAR(ToTwips(client.right), 3735, OnePixel());
    EXPECT_NEAR(ToTwips(client.bottom), 780, OnePixel());

    const LONG_PTR style = ::GetWindowLongPtrW(main_, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(::GetMenu(main_)) << "the File menu is never a menu bar";

    // Centred on the screen.
    RECT window = WindowRect(main_);
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR((window.left + window.right) / 2, screenWidth / 2, 2);
    EXPECT_NEAR((window.top + window.bottom) / 2, screenHeight / 2, 2);

    // Five picture buttons, left to right, 720 twips apart, in tab order.
    const int buttons[] = {ids::fmMain::kCmdCapture, ids::fmMain::kCmdOptions, ids::fmMain::kCmdMinimize,
                           ids::fmMain::kCmdAbout, ids::fmMain::kCmdExit};
    const wchar_t* const names[] = {L"Capture", L"Options", L"Minimize", L"About", L"Exit"};
    const RECT origin = ClientRectOnScreen(main_);
    HWND tabOrder = ::GetWindow(main_, GW_CHILD);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        HWND button = Child(main_, buttons[i]);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button, tabOrder) << "tab order";
        tabOrder = ::GetWindow(tabOrder, GW_HWNDNEXT);
        EXPECT_EQ(ClassName(button), L"Button");
        EXPECT_TRUE(::IsWindowVisible(button));
        EXPECT_EQ(WindowText(button), names[i]) << "the command's name, for screen readers; never drawn";
        EXPECT_TRUE(::GetWindowLongPtrW(button, GWL_STYLE) & BS_BITMAP);
        EXPECT_NE(::SendMessageW(button, BM_GETIMAGE, IMAGE_BITMAP, 0), 0) << "each button shows its picture";
        const RECT r = WindowRect(button);
        EXPECT_NEAR(ToTwips(r.left - origin.left), 120 + 720 * i, OnePixel());
        EXPECT_NEAR(ToTwips(r.top - origin.top), 120, OnePixel());
        EXPECT_NEAR(ToTwips(r.right - r.left), 615, OnePixel());
        EXPECT_NEAR(ToTwips(r.bottom - r.top), 585, OnePixel());
    }

    // The settings fields exist but are never seen.
    HWND picture = Child(main_, ids::fmMain::kPicture1);
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(::IsWindowVisible(picture));
    for (int id :
         {ids::fmMain::kTxtScope, ids::fmMain::kTxtDest, ids::fmMain::kTxtOrientation, ids::fmMain::kTxtPercent}) {
        HWND field = Child(picture, id);
        ASSERT_NE(field, nullptr) << id;
        EXPECT_FALSE(::IsWindowVisible(field)) << id;
    }
}

TEST(ProgramFile, CarriesTheIconInBothSizesAndTheVersionRecord) {
    const std::wstring exe = BuildFolder() + L"\\kestrel.exe";
    HMODULE file = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(file, nullptr);
    for (int size : {32, 16}) {
        HICON icon = static_cast<HICON>(::LoadImageW(file, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        BITMAP bitmap{};
        ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        if (info.hbmColor) ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        ::DestroyIcon(icon);
    }
    ::FreeLibrary(file);

    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00000004u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00000004u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    const std::pair<const wchar_t*, const wchar_t*> strings[] = {{L"ProductName", L"Kestrel"},
                                                                 {L"InternalName", L"kestrel"},
                                                                 {L"OriginalFilename", L"kestrel.exe"},
                                                                 {L"FileVersion", L"0.4.0.1"},
                                                                 {L"ProductVersion", L"0.4.0.1"}};
    for (const auto& [name, expected] : strings) {
        wchar_t* value = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        ASSERT_TRUE(::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) << name;
        EXPECT_STREQ(value, expected);
    }
}

TEST_F(Settings, StoredValuesArriveInTheFieldsAndGoBackOutAtExit) {
    DeleteSettingsKey();
    WriteText("Scope", "1");
    const DWORD two = 2;
    WriteRawValue("Destination", REG_DWORD, &two, sizeof two);
    WriteText("Orientation", "");
    // Another program stored its text with the terminating NUL.
    WriteRawValue("Percent", REG_SZ, "75", 3);

    ASSERT_NO_FATAL_FAILURE(Start());
    // A number reads as its decimal digits; the stored NUL is not part of the setting.
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"1", L"2", L"", L"75"}));

    ASSERT_NO_FATAL_FAILURE(Exit());
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"1", "2", "", "75"}));
    for (const char* name : {"Scope", "Destination", "Orientation", "Percent"}) {
        const auto value = ReadRawValue(name);
        ASSERT_TRUE(value) << name;
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ)) << name << " is written as text";
        EXPECT_LE(value->data.size(), value->Text().size() + 1) << name;
    }
}

TEST_F(Settings, ExitSavesWhatTheFieldsHoldNow) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "L", "100"));
    ASSERT_EQ(Field(main_, ids::fmMain::kTxtPercent), L"100");
    SetFields(main_, {L"1", L" 1", L"p", L" 37"});
    ASSERT_NO_FATAL_FAILURE(Exit());
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"1", " 1", "p", " 37"}));
}

TEST_F(Settings, ValuesOfOtherTypesReadAsEmpty) {
    DeleteSettingsKey();
    const unsigned char binary[] = {1, 2, 3};
    WriteRawValue("Scope", REG_BINARY, binary, sizeof binary);
    WriteRawValue("Destination", REG_MULTI_SZ, "1\0\0", 3);
    // A number value too short to be a DWORD.
    const unsigned char shortNumber[] = {7};
    WriteRawValue("Orientation", REG_DWORD, shortNumber, sizeof shortNumber);
    WriteRawValue("Percent", REG_SZ, "", 0);

    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"", L"", L"", L""}));
    EXPECT_TRUE(kestrel_.Running());
}

TEST_F(Settings, AMegabyteValueIsReadAndWrittenBackWhole) {
    DeleteSettingsKey();
    const std::string huge(1 << 20, '7');
    WriteText("Percent", huge);
    const std::vector<unsigned char> hugeNumber(1 << 20, 0x01);
    WriteRawValue("Scope", REG_DWORD, hugeNumber.data(), static_cast<DWORD>(hugeNumber.size()));

    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Field(main_, ids::fmMain::kTxtPercent).size(), huge.size());
    EXPECT_EQ(Field(main_, ids::fmMain::kTxtScope), std::to_wstring(0x01010101))
        << "the first four bytes of an oversized DWORD";
    ASSERT_NO_FATAL_FAILURE(Exit());
    EXPECT_EQ(ReadRawValue("Percent")->Text(), huge);
}

TEST_F(Settings, FirstRunWithoutTheKeyCreatesItAtExit) {
    DeleteSettingsKey();
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"", L"", L"", L""}));
    SetField(main_, ids::fmMain::kTxtPercent, L"42");
    ASSERT_NO_FATAL_FAILURE(Exit());
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"", "", "", "42"})) << "the key and its values were created";
    EXPECT_EQ(ReadRawValue("Scope")->type, static_cast<DWORD>(REG_SZ));

    KestrelProcess again;
    EXPECT_EQ(Field(again.Main(), ids::fmMain::kTxtPercent), L"42") << "the setting survived the restart";
}

// Closing the window in any other way than Exit ends the program and saves nothing.
TEST_F(Settings, ClosingTheWindowSavesNothing) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "L", "50"));
    SetFields(main_, {L"1", L"2", L"L", L"99"});
    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"2", "2", "L", "50"}));
}

TEST_F(Settings, SystemMenuCloseEndsTheProgramToo) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "L", "50"));
    SetFields(main_, {L"1", L"2", L"L", L"99"});
    ASSERT_NO_FATAL_FAILURE(Close(WM_SYSCOMMAND, SC_CLOSE));
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"2", "2", "L", "50"}));
}

}  // namespace
}  // namespace kestrel::e2e
