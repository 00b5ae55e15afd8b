// The installer (the 64-bit one cpack makes beside this test program, the CTest fixture
// "installer") and its uninstaller, as a Windows user meets them.
#include "app/fmMain_ids.h"
#include "app/running_instance.h"
#include "resources/resource_ids.h"
#include "tests/e2e/driver.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdio>
#include <fstream>
#include <tuple>

extern "C" LONG NTAPI NtDeleteKey(HANDLE key);

namespace kestrel::e2e {
namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrel";
constexpr wchar_t kSettingsKey[] = L"Software\\Olm\\Kestrel";
constexpr wchar_t kLinkKey[] = L"Software\\Olm\\Kestrel\\Planted";
constexpr wchar_t kCanaryKey[] = L"Software\\KestrelCanary";
constexpr wchar_t kVersion[] = L"" KESTREL_VERSION_STRING;
// Folders outside Program Files, as on the root of a second drive.
const std::wstring kElsewhere = L"C:\\KestrelElsewhere";
const std::wstring kShared = L"C:\\KestrelShared";
const std::optional<DWORD> kSucceeded{0u};
const std::optional<DWORD> kAborted{2u};  // a silent run that stops at once
using UniqueLocal = UniqueHandle<HLOCAL, ::LocalFree>;

std::wstring Lower(std::wstring text) {
    ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}
std::wstring InstallFolder() { return KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Kestrel"; }
std::wstring StartMenuGroup() { return KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\Kestrel"; }
std::wstring InstalledProgram() { return InstallFolder() + L"\\kestrel.exe"; }
std::wstring Uninstaller() { return InstallFolder() + L"\\Uninstall.exe"; }
std::wstring InstallerPath() {
    return BuildFolder() + L"\\kestrel-" + kVersion + (sizeof(void*) == 8 ? L"-x64" : L"") + L"-setup.exe";
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// In place (_?=), so that the uninstaller's own exit code is seen; it does not remove itself then.
std::optional<DWORD> RunUninstallerInPlace(const std::wstring& folder = InstallFolder()) {
    return RunProgram(folder + L"\\Uninstall.exe", L"/S _?=" + folder);
}

UniqueKey OpenKey(const std::wstring& path, REGSAM access = KEY_READ, DWORD options = 0) {
    HKEY key = nullptr;
    return UniqueKey(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), options, access, &key) ? nullptr : key);
}
bool KeyExists(const std::wstring& path) { return OpenKey(path) != nullptr; }

std::optional<std::wstring> RegText(const wchar_t* path, const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_SZ, nullptr, buffer, &size)) return std::nullopt;
    return buffer;
}

std::optional<DWORD> RegNumber(const std::wstring& path, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    const LSTATUS status =
        ::RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return status ? std::nullopt : std::optional<DWORD>(value);
}

// The parts of an installation still in place: files and folders, then keys under HKLM.
std::vector<std::wstring> PartsInPlace() {
    std::vector<std::wstring> parts;
    for (const std::wstring& path : {InstalledProgram(), InstallFolder() + L"\\README.md", Uninstaller(),
                                     InstallFolder(), StartMenuGroup() + L"\\Kestrel.lnk", StartMenuGroup()}) {
        if (Exists(path)) parts.push_back(path);
    }
    for (const wchar_t* key : {kUninstallKey, kSettingsKey})
        if (KeyExists(key)) parts.push_back(key);
    return parts;
}

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!sid || !::ConvertSidToStringSidW(sid, &text)) return {};
    const UniqueLocal owned(text);
    return text;
}

// An object's security as the system stores it: owner, whether the DACL is protected from
// inheritance, its allow entries (SID, rights, inheritance flags), and how many others it holds.
using Allowed = std::tuple<std::wstring, ACCESS_MASK, BYTE>;
struct Security {
    std::wstring owner;
    bool protectedDacl = false;
    std::vector<Allowed> allowed;
    int otherEntries = 0;
};

// `name` as GetNamedSecurityInfo takes it: a file's path, or MACHINE\... for a key.
std::optional<Security> ReadSecurity(const std::wstring& name, SE_OBJECT_TYPE type = SE_FILE_OBJECT) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(name.c_str(), type, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueLocal owned(descriptor);
    Security security{SidText(owner)};
    security.protectedDacl = (static_cast<SECURITY_DESCRIPTOR_RELATIVE*>(descriptor)->Control & SE_DACL_PROTECTED) != 0;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (::GetAce(dacl, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE) {
            security.allowed.push_back({SidText(&ace->SidStart), ace->Mask, ace->Header.AceFlags});
        } else {
            ++security.otherEntries;
        }
    }
    return security;
}

class Installer : public KestrelTest {
protected:
    void SetUp() override {
        RemoveInstallation();
        DeleteSettingsKey();
        ASSERT_EQ(RunProgram(InstallerPath(), L"/S"), kSucceeded) << "made by cpack first (ctest -R Installer)";
    }

    // Kestrel first: the uninstaller leaves a running Kestrel alone.
    void TearDown() override {
        kestrel_.End();
        RemoveInstallation();
    }

    // Leaves nothing behind for the next test, whatever the test did; an uninstaller that ran in
    // place, and what a failed one left, are deleted by hand.
    static void RemoveInstallation() {
        for (const std::wstring& folder : {InstallFolder(), kElsewhere, kShared}) {
            if (Exists(folder + L"\\Uninstall.exe")) RunUninstallerInPlace(folder);
            for (const wchar_t* name : {L"Uninstall.exe", L"kestrel.exe", L"README.md", L"LICENSE", L"notes.txt"})
                ::DeleteFileW((folder + L"\\" + name).c_str());
            ::RemoveDirectoryW(folder.c_str());
        }
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
        // Opened without REG_OPTION_OPEN_LINK, the registry would hand over the key it points at.
        if (const UniqueKey planted = OpenKey(kLinkKey, DELETE, REG_OPTION_OPEN_LINK)) NtDeleteKey(planted.get());
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kCanaryKey);
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kCanaryKey);
    }
};

TEST_F(Installer, PutsTheProgramItsShortcutItsUninstallEntryAndTheSettingsKeyInPlace) {
    // The very program the build made, the README and the uninstaller; the Kestrel group in the
    // Start menu of every user.
    EXPECT_EQ(PartsInPlace().size(), 8u);
    EXPECT_TRUE(FileContents(InstalledProgram()) == FileContents(BuiltProgram()));

    // Add/Remove Programs.
    const std::pair<const wchar_t*, std::wstring> texts[] = {{L"DisplayName", L"Kestrel"},
                                                             {L"DisplayVersion", kVersion},
                                                             {L"DisplayIcon", InstalledProgram() + L",0"},
                                                             {L"UninstallString", L"\"" + Uninstaller() + L"\""},
                                                             {L"InstallLocation", InstallFolder()}};
    for (const auto& [name, expected] : texts) EXPECT_EQ(RegText(kUninstallKey, name), expected) << name;
    EXPECT_NE(RegText(kUninstallKey, L"Publisher").value_or(L""), L"");
    for (const wchar_t* name : {L"NoModify", L"NoRepair"}) {
        EXPECT_EQ(RegNumber(kUninstallKey, name), std::optional<DWORD>(1u)) << name;
    }
    EXPECT_GE(RegNumber(kUninstallKey, L"EstimatedSize").value_or(0),
              FileContents(InstalledProgram()).value_or("").size() / 1024);

    // The settings key, empty (the first start reads empty settings); ordinary users may read and
    // write its values and do nothing else with it: no subkeys, no links, nothing handed down.
    EXPECT_EQ(StoredSettings(), std::vector<std::string>(4, "(none)"));
    const auto security = ReadSecurity(std::wstring(L"MACHINE\\") + kSettingsKey, SE_REGISTRY_KEY);
    ASSERT_TRUE(security.has_value());
    std::vector<Allowed> explicitForUsers;
    for (const Allowed& entry : security->allowed) {
        const auto& [sid, rights, flags] = entry;
        if (sid != L"S-1-5-32-545") continue;  // Users
        EXPECT_EQ(rights & (KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | WRITE_DAC | WRITE_OWNER | DELETE), 0u)
            << std::hex << rights;
        if (!(flags & INHERITED_ACE)) explicitForUsers.push_back(entry);
    }
    EXPECT_EQ(explicitForUsers, (std::vector<Allowed>{{L"S-1-5-32-545", KEY_QUERY_VALUE | KEY_SET_VALUE, 0}}));

    // The shortcut starts the installed program and shows its icon.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // for the test program's life
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.put())));
    ASSERT_HRESULT_SUCCEEDED(link->QueryInterface(IID_PPV_ARGS(file.put())));
    ASSERT_HRESULT_SUCCEEDED(file->Load((StartMenuGroup() + L"\\Kestrel.lnk").c_str(), STGM_READ));
    wchar_t target[MAX_PATH] = {};
    wchar_t icon[MAX_PATH] = {};
    int index = -1;
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetIconLocation(icon, MAX_PATH, &index);
    EXPECT_EQ(std::make_tuple(Lower(target), Lower(icon), index),
              std::make_tuple(Lower(InstalledProgram()), Lower(InstalledProgram()), 0));
}

TEST_F(Installer, InstalledKestrelKeepsItsSettingsForTheNextStart) {
    ASSERT_NO_FATAL_FAILURE(Start(InstalledProgram()));
    EXPECT_EQ(Field(main_, ids::fmMain::kTxtScope), L"") << "a fresh key holds no settings";
    SetFields(main_, {L"1", L"1", L"P", L"42"});
    ASSERT_NO_FATAL_FAILURE(Exit());
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"1", "1", "P", "42"}));

    ASSERT_NO_FATAL_FAILURE(Start(InstalledProgram()));
    EXPECT_EQ(Fields(main_), (std::vector<std::wstring>{L"1", L"1", L"P", L"42"}));
}

TEST_F(Installer, NeitherInstallerNorUninstallerTouchesARunningKestrel) {
    ASSERT_NO_FATAL_FAILURE(Start(InstalledProgram()));
    EXPECT_EQ(RunProgram(InstallerPath(), L"/S"), kAborted);
    EXPECT_EQ(RunUninstallerInPlace(), kAborted);
    EXPECT_TRUE(kestrel_.Running());
    EXPECT_EQ(PartsInPlace().size(), 8u) << "nothing changed";
    kestrel_.End();
    // Once Kestrel has gone, the uninstaller does its work.
    EXPECT_EQ(RunUninstallerInPlace(), kSucceeded);
    EXPECT_FALSE(Exists(InstalledProgram()));
}

// Setup and uninstall look for Kestrel's mutex, not for a window any program could make.
TEST_F(Installer, SeeKestrelByItsMutexNotByAWindowClass) {
    {
        const std::wstring name = std::wstring(L"Global\\") + kRunningMutexName;
        const UniqueKernelHandle held(::CreateMutexW(nullptr, FALSE, name.c_str()));
        ASSERT_NE(held, nullptr);
        EXPECT_EQ(RunProgram(InstallerPath(), L"/S"), kAborted);
        EXPECT_EQ(RunUninstallerInPlace(), kAborted);
    }
    // A window of Kestrel's class in a program that is not Kestrel (the class lives as long as
    // the test program).
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = ids::fmMain::kWindowClass;
    ::RegisterClassW(&wc);
    const UniqueHandle<HWND, ::DestroyWindow> impostor(::CreateWindowW(
        wc.lpszClassName, L"Kestrel", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr));
    ASSERT_NE(impostor, nullptr);
    EXPECT_EQ(RunProgram(InstallerPath(), L"/S"), kSucceeded);
    EXPECT_EQ(RunUninstallerInPlace(), kSucceeded);
}

TEST_F(Installer, FolderOutsideProgramFilesIsWritableByAdministratorsOnly) {
    // Windows keeps a file's whole security descriptor. Wine 8 keeps only the POSIX mode bits: it
    // reports the Unix owner, SYSTEM, and an Everyone entry made from the "other" bits, and forgets
    // the owner set, the protection and every other entry.
    const bool wholeDescriptor = !::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
    if (!wholeDescriptor) std::printf("This system keeps only part of a file's security: checked what it keeps.\n");

    // Into an empty folder that everybody may change.
    SECURITY_ATTRIBUTES everybody{sizeof everybody};
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                       &everybody.lpSecurityDescriptor, nullptr));
    const UniqueLocal owned(everybody.lpSecurityDescriptor);
    ASSERT_TRUE(::CreateDirectoryW(kElsewhere.c_str(), &everybody));
    ASSERT_EQ(RunProgram(InstallerPath(), L"/S /D=" + kElsewhere), kSucceeded);
    // Administrators and SYSTEM may do anything, Users read and execute, nobody else anything; where
    // the system keeps less, at least nobody but the owner, Administrators and SYSTEM may write.
    constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                         FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;
    for (const wchar_t* name : {L"", L"\\kestrel.exe", L"\\Uninstall.exe"}) {
        SCOPED_TRACE(kElsewhere + name);
        const auto security = ReadSecurity(kElsewhere + name);
        ASSERT_TRUE(security && !security->allowed.empty());
        if (wholeDescriptor) {
            EXPECT_EQ(security->owner, L"S-1-5-32-544");
            EXPECT_TRUE(security->protectedDacl) << "nothing inherited from the parent folder";
            EXPECT_EQ(security->otherEntries, 0);
        }
        for (const auto& [sid, rights, flags] : security->allowed) {
            const bool administrator = sid == L"S-1-5-32-544" || sid == L"S-1-5-18";
            if (wholeDescriptor) {
                EXPECT_TRUE(administrator || sid == L"S-1-5-32-545") << sid << ": no one else";
                EXPECT_EQ(rights, administrator ? FILE_ALL_ACCESS : FILE_GENERIC_READ | FILE_GENERIC_EXECUTE) << sid;
            } else if (!administrator && sid != security->owner) {
                EXPECT_EQ(rights & kWriteRights, 0u) << sid << " may write";
            }
        }
    }
}

TEST_F(Installer, RefusesAFolderOutsideProgramFilesThatHoldsOtherFiles) {
    ::CreateDirectoryW(kShared.c_str(), nullptr);
    std::ofstream((kShared + L"\\notes.txt").c_str()) << "not Kestrel's";
    const auto before = ReadSecurity(kShared);
    EXPECT_EQ(RunProgram(InstallerPath(), L"/S /D=" + kShared), kAborted);
    EXPECT_FALSE(Exists(kShared + L"\\kestrel.exe"));
    EXPECT_EQ(FileContents(kShared + L"\\notes.txt"), "not Kestrel's");
    const auto after = ReadSecurity(kShared);
    ASSERT_TRUE(before.has_value() && after.has_value());
    EXPECT_EQ(std::tie(before->protectedDacl, before->allowed), std::tie(after->protectedDacl, after->allowed))
        << "its access rights are not the installer's";
}

TEST_F(Installer, UninstallerRemovesTheProgramItsShortcutsItsEntryAndTheSettingsKey) {
    WriteSettings("1", "2", "L", "75");  // settings saved in the meantime go too
    // As Add/Remove Programs runs it: the uninstaller copies itself to the temporary folder, starts
    // the copy and returns at once, so the removal is waited for.
    ASSERT_EQ(RunProgram(Uninstaller(), L"/S"), kSucceeded);
    WaitFor([] { return PartsInPlace().empty(); }, 30s);
    EXPECT_EQ(PartsInPlace(), std::vector<std::wstring>{});
    EXPECT_FALSE(KeyExists(L"Software\\Olm")) << "nothing else lived under it";
}

TEST_F(Installer, UninstallerLeavesWhatALinkUnderTheSettingsKeyPointsAt) {
    const std::wstring inner = std::wstring(kCanaryKey) + L"\\Inner";
    const DWORD alive = 7;
    for (const std::wstring& key : {inner, std::wstring(kCanaryKey)}) {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"Alive", REG_DWORD, &alive, sizeof alive),
                  ERROR_SUCCESS);
    }
    // A registry link, as any user allowed to create subkeys could plant one.
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLinkKey, 0, nullptr, REG_OPTION_CREATE_LINK,
                                KEY_WRITE | KEY_CREATE_LINK, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring target = L"\\Registry\\Machine\\" + std::wstring(kCanaryKey);
    ASSERT_EQ(::RegSetValueExW(UniqueKey(key).get(), L"SymbolicLinkValue", 0, REG_LINK,
                               reinterpret_cast<const BYTE*>(target.data()),
                               static_cast<DWORD>(target.size() * sizeof(wchar_t))),  // no terminating NUL
              ERROR_SUCCESS);
    ASSERT_EQ(RegNumber(kLinkKey, L"Alive"), std::optional<DWORD>(7u)) << "the registry follows the link";
    WriteSettings("2", "2", "L", "60");

    ASSERT_EQ(RunUninstallerInPlace(), kSucceeded);
    EXPECT_EQ(RegNumber(kCanaryKey, L"Alive"), std::optional<DWORD>(7u)) << "the link was followed";
    EXPECT_TRUE(KeyExists(inner)) << "the link was followed";
    EXPECT_EQ(StoredSettings(), std::vector<std::string>(4, "(none)"));
    // The key itself stays while something that is not Kestrel's lies in it.
    EXPECT_TRUE(KeyExists(kSettingsKey));
}

}  // namespace
}  // namespace kestrel::e2e
