// The main window as a user meets it, and the settings it loads at start-up and saves at Exit.
#include "app/fmMain_ids.h"
#include "resources/resource_ids.h"
#include "tests/e2e/layout_support.h"

#include <set>

namespace kestrel::e2e {
namespace {

using namespace ids::fmMain;
using MainWindow = KestrelTest;

TEST_F(MainWindow, LooksAsLaidOut) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ExpectFixedWindow(main_, L"Kestrel", 3735, 780);
    EXPECT_FALSE(::GetMenu(main_)) << "the File menu is never a menu bar";

    // Five picture buttons in tab order, 720 twips apart.
    HWND button = ::GetWindow(main_, GW_CHILD);
    int left = 120;
    for (const int id : {kCmdCapture, kCmdOptions, kCmdMinimize, kCmdAbout, kCmdExit}) {
        SCOPED_TRACE(::testing::Message() << "button " << id);
        EXPECT_EQ(::GetDlgCtrlID(button), id) << "tab order";
        ExpectControls(main_, {{id, L"Button", nullptr, {left, 120, 615, 585}}});
        EXPECT_TRUE(::GetWindowLongPtrW(button, GWL_STYLE) & BS_BITMAP);
        EXPECT_NE(SendTo(button, BM_GETIMAGE, IMAGE_BITMAP), 0) << "each button shows its picture";
        button = ::GetWindow(button, GW_HWNDNEXT);
        left += 720;
    }

    // The settings fields exist but are never seen: the frame that holds them is hidden.
    HWND picture = Child(main_, kPicture1);
    EXPECT_FALSE(::IsWindowVisible(picture));
    for (int id : {kTxtScope, kTxtDest, kTxtOrientation, kTxtPercent}) EXPECT_NE(Child(picture, id), nullptr) << id;
}

TEST(ProgramFile, CarriesTheIconInBothSizesAndTheVersionRecord) {
    const UniqueModule file{::LoadLibraryExW(BuiltProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)};
    HRSRC group = ::FindResourceW(file.get(), MAKEINTRESOURCEW(IDI_KESTREL), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    // The icon directory: a 6-byte header that ends with the count, then 14-byte entries that
    // begin with the width and height.
    const auto* directory = static_cast<const BYTE*>(::LockResource(::LoadResource(file.get(), group)));
    std::set<std::pair<int, int>> sizes;
    for (int i = 0; i < directory[4]; ++i) sizes.insert({directory[6 + 14 * i], directory[7 + 14 * i]});
    EXPECT_EQ(sizes, (std::set<std::pair<int, int>>{{16, 16}, {32, 32}}));

    const std::wstring exe = BuiltProgram();
    std::vector<unsigned char> block(::GetFileVersionInfoSizeW(exe.c_str(), nullptr));
    ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ((std::vector<DWORD>{fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                                  fixed->dwProductVersionLS}),
              (std::vector<DWORD>{4, 1, 4, 1}));
    std::vector<std::wstring> texts;
    for (const wchar_t* name :
         {L"ProductName", L"InternalName", L"OriginalFilename", L"FileVersion", L"ProductVersion"}) {
        wchar_t* value = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        const bool found = ::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length);
        texts.push_back(found ? value : L"(none)");
    }
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Kestrel", L"kestrel", L"kestrel.exe", L"0.4.0.1", L"0.4.0.1"}));
}

class Settings : public KestrelTest {
protected:
    void SetUp() override { DeleteSettingsKey(); }  // each test stores what it needs
    // Closing the window in any other way than Exit ends the program and saves nothing.
    void ClosingSavesNothing(UINT message, WPARAM wParam = 0) {
        ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "L", "50"));
        SetFields(main_, {L"1", L"2", L"L", L"99"});
        ASSERT_NO_FATAL_FAILURE(Close(message, wParam));
        EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"2", "2", "L", "50"}));
    }
};

TEST_F(Settings, StoredValuesArriveInTheFieldsAndGoBackOutAtExit) {
    WriteText("Scope", "1");
    WriteRawValue("Destination", REG_DWORD, "\2\0\0\0", 4);  // 2, as the DWORD it is
    WriteText("Orientation", "");
    WriteRawValue("Percent", REG_SZ, "75", 3);  // as another program stores it, with the terminating NUL

    ASSERT_NO_FATAL_FAILURE(Start());
    // A number reads as its decimal digits; the stored NUL is not part of the setting.
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"1", L"2", L"", L"75"}));

    ASSERT_NO_FATAL_FAILURE(Exit());
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"1", "2", "", "75"}));
    for (const char* name : {"Scope", "Destination", "Orientation", "Percent"}) {
        const RawValue value = ReadRawValue(name).value_or(RawValue{});
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name << " is written as text";
        EXPECT_LE(value.data.size(), value.Text().size() + 1) << name;
    }
}

TEST_F(Settings, ExitSavesWhatTheFieldsHoldNow) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "L", "100"));
    SetFields(main_, {L"1", L" 1", L"p", L" 37"});
    ASSERT_NO_FATAL_FAILURE(Exit());
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"1", " 1", "p", " 37"}));
}

TEST_F(Settings, ValuesOfOtherTypesReadAsEmpty) {
    WriteRawValue("Scope", REG_BINARY, "\1\2\3", 3);
    WriteRawValue("Destination", REG_MULTI_SZ, "1\0\0", 3);
    WriteRawValue("Orientation", REG_DWORD, "\7", 1);  // too short to be a DWORD
    WriteRawValue("Percent", REG_SZ, "", 0);

    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"", L"", L"", L""}));
    EXPECT_TRUE(kestrel_.Running());
}

TEST_F(Settings, AMegabyteValueIsReadAndWrittenBackWhole) {
    const std::string huge(1 << 20, '7');
    WriteText("Percent", huge);
    const std::vector<unsigned char> hugeNumber(1 << 20, 0x01);
    WriteRawValue("Scope", REG_DWORD, hugeNumber.data(), static_cast<DWORD>(hugeNumber.size()));

    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Field(main_, kTxtPercent).size(), huge.size());
    EXPECT_EQ(Field(main_, kTxtScope), std::to_wstring(0x01010101)) << "the first four bytes of an oversized DWORD";
    ASSERT_NO_FATAL_FAILURE(Exit());
    EXPECT_EQ(ReadRawValue("Percent")->Text(), huge);
}

TEST_F(Settings, FirstRunWithoutTheKeyCreatesItAtExit) {
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"", L"", L"", L""}));
    SetField(main_, kTxtPercent, L"42");
    ASSERT_NO_FATAL_FAILURE(Exit());
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"", "", "", "42"})) << "the key and its values were created";

    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(Field(main_, kTxtPercent), L"42") << "the setting survived the restart";
}

TEST_F(Settings, ClosingTheWindowSavesNothing) { ClosingSavesNothing(WM_CLOSE); }

TEST_F(Settings, SystemMenuCloseEndsTheProgramToo) { ClosingSavesNothing(WM_SYSCOMMAND, SC_CLOSE); }

}  // namespace
}  // namespace kestrel::e2e
