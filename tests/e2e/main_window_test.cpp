// The main window as a user meets it, and the settings it loads at start-up and saves at Exit.
#include "app/fmMain_ids.h"
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kestrel::e2e {
namespace {

// One pixel of tolerance, expressed in twips at the screen's DPI.
int OnePixel() { return ToTwips(1) + 1; }

TEST(MainWindow, LooksAsLaidOut) {
    DeleteSettingsKey();
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(WindowText(main), L"Kestrel");

    RECT client{};
    ::GetClientRect(main, &client);
    EXPECT_NEAR(ToTwips(client.right), 3735, OnePixel());
    EXPECT_NEAR(ToTwips(client.bottom), 780, OnePixel());

    const LONG_PTR style = ::GetWindowLongPtrW(main, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(::GetMenu(main)) << "the File menu is never a menu bar";

    // Centred on the screen.
    RECT window = WindowRect(main);
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR((window.left + window.right) / 2, screenWidth / 2, 2);
    EXPECT_NEAR((window.top + window.bottom) / 2, screenHeight / 2, 2);

    // Five picture buttons, left to right, 720 twips apart, in tab order.
    const int buttons[] = {ids::fmMain::kCmdCapture, ids::fmMain::kCmdOptions, ids::fmMain::kCmdMinimize,
                           ids::fmMain::kCmdAbout, ids::fmMain::kCmdExit};
    const wchar_t* const names[] = {L"Capture", L"Options", L"Minimize", L"About", L"Exit"};
    const RECT origin = ClientRectOnScreen(main);
    HWND tabOrder = ::GetWindow(main, GW_CHILD);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        HWND button = Child(main, buttons[i]);
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
    HWND picture = Child(main, ids::fmMain::kPicture1);
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

TEST(Settings, StoredValuesArriveInTheFieldsAndGoBackOutAtExit) {
    DeleteSettingsKey();
    WriteText("Scope", "1");
    const DWORD two = 2;
    WriteRawValue("Destination", REG_DWORD, &two, sizeof two);
    WriteText("Orientation", "");
    // Another program stored its text with the terminating NUL.
    WriteRawValue("Percent", REG_SZ, "75", 3);

    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    EXPECT_EQ(Field(main, ids::fmMain::kTxtScope), L"1");
    EXPECT_EQ(Field(main, ids::fmMain::kTxtDest), L"2") << "a number reads as its decimal digits";
    EXPECT_EQ(Field(main, ids::fmMain::kTxtOrientation), L"");
    EXPECT_EQ(Field(main, ids::fmMain::kTxtPercent), L"75") << "the stored NUL is not part of the setting";

    Click(Child(main, ids::fmMain::kCmdExit));
    ASSERT_EQ(kestrel.WaitForExit(), 0u);

    const char* names[] = {"Scope", "Destination", "Orientation", "Percent"};
    const char* expected[] = {"1", "2", "", "75"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(names[i]);
        auto value = ReadRawValue(names[i]);
        ASSERT_TRUE(value);
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ)) << "every setting is written as text";
        EXPECT_EQ(value->Text(), expected[i]);
        EXPECT_LE(value->data.size(), std::string(expected[i]).size() + 1);
    }
}

TEST(Settings, ExitSavesWhatTheFieldsHoldNow) {
    WriteSettings("2", "2", "L", "100");
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    ASSERT_EQ(Field(main, ids::fmMain::kTxtPercent), L"100");
    SetField(main, ids::fmMain::kTxtScope, L"1");
    SetField(main, ids::fmMain::kTxtDest, L" 1");
    SetField(main, ids::fmMain::kTxtOrientation, L"p");
    SetField(main, ids::fmMain::kTxtPercent, L" 37");
    Click(Child(main, ids::fmMain::kCmdExit));
    ASSERT_EQ(kestrel.WaitForExit(), 0u);
    EXPECT_EQ(ReadRawValue("Scope")->Text(), "1");
    EXPECT_EQ(ReadRawValue("Destination")->Text(), " 1");
    EXPECT_EQ(ReadRawValue("Orientation")->Text(), "p");
    EXPECT_EQ(ReadRawValue("Percent")->Text(), " 37");
}

TEST(Settings, ValuesOfOtherTypesReadAsEmpty) {
    DeleteSettingsKey();
    const unsigned char binary[] = {1, 2, 3};
    WriteRawValue("Scope", REG_BINARY, binary, sizeof binary);
    WriteRawValue("Destination", REG_MULTI_SZ, "1\0\0", 3);
    const unsigned char shortNumber[] = {7};
    WriteRawValue("Orientation", REG_DWORD, shortNumber, sizeof shortNumber);
    WriteRawValue("Percent", REG_SZ, "", 0);

    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    EXPECT_EQ(Field(main, ids::fmMain::kTxtScope), L"");
    EXPECT_EQ(Field(main, ids::fmMain::kTxtDest), L"");
    EXPECT_EQ(Field(main, ids::fmMain::kTxtOrientation), L"") << "a number value too short to be a DWORD";
    EXPECT_EQ(Field(main, ids::fmMain::kTxtPercent), L"");
    EXPECT_TRUE(kestrel.Running());
}

TEST(Settings, AMegabyteValueIsReadAndWrittenBackWhole) {
    DeleteSettingsKey();
    const std::string huge(1 << 20, '7');
    WriteText("Percent", huge);
    const std::vector<unsigned char> hugeNumber(1 << 20, 0x01);
    WriteRawValue("Scope", REG_DWORD, hugeNumber.data(), static_cast<DWORD>(hugeNumber.size()));

    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    ASSERT_TRUE(kestrel.Running());
    EXPECT_EQ(Field(main, ids::fmMain::kTxtPercent).size(), huge.size());
    EXPECT_EQ(Field(main, ids::fmMain::kTxtScope), std::to_wstring(0x01010101))
        << "the first four bytes of an oversized DWORD";
    Click(Child(main, ids::fmMain::kCmdExit));
    ASSERT_EQ(kestrel.WaitForExit(), 0u);
    EXPECT_EQ(ReadRawValue("Percent")->Text(), huge);
}

TEST(Settings, FirstRunWithoutTheKeyCreatesItAtExit) {
    DeleteSettingsKey();
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    for (int id :
         {ids::fmMain::kTxtScope, ids::fmMain::kTxtDest, ids::fmMain::kTxtOrientation, ids::fmMain::kTxtPercent}) {
        EXPECT_EQ(Field(main, id), L"") << id;
    }
    SetField(main, ids::fmMain::kTxtPercent, L"42");
    Click(Child(main, ids::fmMain::kCmdExit));
    ASSERT_EQ(kestrel.WaitForExit(), 0u);
    auto scope = ReadRawValue("Scope");
    ASSERT_TRUE(scope) << "the key and its values were created";
    EXPECT_EQ(scope->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(scope->Text(), "");
    EXPECT_EQ(ReadRawValue("Percent")->Text(), "42");

    KestrelProcess again;
    EXPECT_EQ(Field(again.Main(), ids::fmMain::kTxtPercent), L"42") << "the setting survived the restart";
}

TEST(Settings, ClosingTheWindowSavesNothing) {
    WriteSettings("2", "2", "L", "50");
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    SetField(main, ids::fmMain::kTxtScope, L"1");
    SetField(main, ids::fmMain::kTxtPercent, L"99");
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(kestrel.WaitForExit(), 0u) << "the program ends when its window is closed";
    EXPECT_EQ(ReadRawValue("Scope")->Text(), "2");
    EXPECT_EQ(ReadRawValue("Percent")->Text(), "50");
}

TEST(Settings, SystemMenuCloseEndsTheProgramToo) {
    WriteSettings("2", "2", "L", "50");
    KestrelProcess kestrel;
    ::PostMessageW(kestrel.Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_EQ(kestrel.WaitForExit(), 0u);
    EXPECT_EQ(ReadRawValue("Percent")->Text(), "50");
}

}  // namespace
}  // namespace kestrel::e2e
