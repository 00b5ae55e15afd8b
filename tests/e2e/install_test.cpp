// The installer as a Windows user meets it: a silent install puts Kestrel under Program Files, a
// Start menu group "Kestrel" with the Kestrel shortcut, an Add/Remove Programs entry and the
// settings key in place; the installed program keeps its settings from one run to the next; the
// uninstaller takes all of it away again. The installer is the 64-bit one that cpack makes beside
// this test program before the suite runs (the CTest fixture "installer").
#include "app/fmMain_ids.h"
#include "app/running_instance.h"
#include "resources/resource_ids.h"
#include "tests/e2e/driver.h"

#include <aclapi.h>
#include <objbase.h>
#include <sddl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::e2e {
namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrel";
constexpr wchar_t kSettingsKey[] = L"Software\\Olm\\Kestrel";
constexpr wchar_t kVendorKey[] = L"Software\\Olm";
// What ordinary users may do with the settings key: read and write its values, nothing more.
constexpr ACCESS_MASK kUsersAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;
constexpr wchar_t kCanaryKey[] = L"Software\\KestrelCanary";

std::wstring Widen(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

std::wstring Lower(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring InstallerPath() {
    return BuildFolder() + L"\\kestrel-" + Widen(KESTREL_VERSION_STRING) + (sizeof(void*) == 8 ? L"-x64" : L"") +
           L"-setup.exe";
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

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<char> Contents(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Starts a program and waits for it to end; its exit code, or nullopt if it could not start or
// did not end in time.
std::optional<DWORD> RunProgram(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs = 120000) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return std::nullopt;
    }
    std::optional<DWORD> result;
    if (::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        ::GetExitCodeProcess(pi.hProcess, &code);
        result = code;
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return result;
}

bool KeyExists(const wchar_t* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

std::optional<std::wstring> RegText(const wchar_t* path, const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(buffer);
}

std::optional<DWORD> RegNumber(const wchar_t* path, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

DWORD ValueCount(const wchar_t* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD values = 0;
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       nullptr);
    ::RegCloseKey(key);
    return values;
}

// The allow entries for the Users group (S-1-5-32-545) in a key's DACL.
struct UsersEntry {
    ACCESS_MASK rights;
    BYTE flags;  // inheritance: CONTAINER_INHERIT_ACE, INHERITED_ACE, ...
};

std::optional<std::vector<UsersEntry>> UsersEntries(const wchar_t* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL, &key) != ERROR_SUCCESS) return std::nullopt;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = ::GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                           nullptr, &descriptor);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    PSID users = nullptr;
    ::ConvertStringSidToSidW(L"S-1-5-32-545", &users);
    std::vector<UsersEntry> entries;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && ::EqualSid(&allowed->SidStart, users)) {
            entries.push_back({allowed->Mask, allowed->Header.AceFlags});
        }
    }
    ::LocalFree(users);
    ::LocalFree(descriptor);
    return entries;
}

// A registry link, as any user allowed to create subkeys could plant one: the key `name` under
// `parent` that the registry follows to `target` (a native path such as \Registry\Machine\...).
bool PlantRegistryLink(const wchar_t* parent, const wchar_t* name, const std::wstring& target) {
    const std::wstring path = std::wstring(parent) + L"\\" + name;
    HKEY link = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                          KEY_WRITE | KEY_CREATE_LINK, nullptr, &link, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LSTATUS status =
        ::RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                         static_cast<DWORD>(target.size() * sizeof(wchar_t)));  // no terminating NUL
    ::RegCloseKey(link);
    return status == ERROR_SUCCESS;
}

extern "C" LONG NTAPI NtDeleteKey(HANDLE key);

// Deletes the link itself: opened without REG_OPTION_OPEN_LINK, the registry would hand over the
// key it points at.
void RemoveRegistryLink(const wchar_t* parent, const wchar_t* name) {
    const std::wstring path = std::wstring(parent) + L"\\" + name;
    HKEY link = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), REG_OPTION_OPEN_LINK, DELETE, &link) == ERROR_SUCCESS) {
        NtDeleteKey(link);
        ::RegCloseKey(link);
    }
}

void MakeCanary() {
    HKEY key = nullptr;
    const std::wstring inner = std::wstring(kCanaryKey) + L"\\Inner";
    ASSERT_EQ(
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, inner.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    ::RegCloseKey(key);
    const DWORD value = 7;
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kCanaryKey, L"Alive", REG_DWORD, &value, sizeof value),
              ERROR_SUCCESS);
}

void RemoveCanary() {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kCanaryKey);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kCanaryKey);
}

// A file or folder's security as far as the system stores it: owner, whether the DACL is
// protected from inheritance, and its allow entries by SID string.
struct FileSecurity {
    std::wstring owner;
    bool protectedDacl = false;
    std::vector<std::pair<std::wstring, ACCESS_MASK>> allowed;
    int otherEntries = 0;
};

std::optional<FileSecurity> ReadFileSecurity(const std::wstring& path) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    FileSecurity security;
    wchar_t* text = nullptr;
    if (owner && ::ConvertSidToStringSidW(owner, &text)) {
        security.owner = text;
        ::LocalFree(text);
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    security.protectedDacl = (control & SE_DACL_PROTECTED) != 0;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
            ++security.otherEntries;
            continue;
        }
        if (::ConvertSidToStringSidW(&allowed->SidStart, &text)) {
            security.allowed.emplace_back(text, allowed->Mask);
            ::LocalFree(text);
        }
    }
    ::LocalFree(descriptor);
    return security;
}

bool SetFileSecurity(const std::wstring& path, const wchar_t* sddl, SECURITY_INFORMATION what) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
        return false;
    }
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    ::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    const DWORD status = ::SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT, what, owner,
                                                 nullptr, dacl, nullptr);
    ::LocalFree(descriptor);
    return status == ERROR_SUCCESS;
}

// Windows keeps a file's whole security descriptor. Wine 8 keeps only the POSIX mode bits: it
// reports the Unix owner, SYSTEM, and an Everyone entry made from the "other" bits, and forgets the
// owner set, the protection and every other entry.
bool SystemKeepsFileSecurity() {
    const std::wstring probe = L"C:\\KestrelSecurityProbe";
    ::CreateDirectoryW(probe.c_str(), nullptr);
    SetFileSecurity(probe, L"O:BAD:PAI(A;;FA;;;BA)(A;;FA;;;SY)",
                    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION);
    const auto security = ReadFileSecurity(probe);
    ::RemoveDirectoryW(probe.c_str());
    return security && security->owner == L"S-1-5-32-544" && security->protectedDacl;
}

constexpr ACCESS_MASK kFileWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                         FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;

// Administrators and SYSTEM may do anything, Users read and execute, nobody else anything; where
// the system keeps less than a whole descriptor, at least that nobody but the owner, Administrators
// and SYSTEM may write.
void ExpectAdministratorsOnlyMayWrite(const std::wstring& path, bool wholeDescriptor) {
    SCOPED_TRACE(path);
    const auto security = ReadFileSecurity(path);
    ASSERT_TRUE(security.has_value());
    ASSERT_FALSE(security->allowed.empty());
    if (!wholeDescriptor) {
        for (const auto& [sid, mask] : security->allowed) {
            if (sid == L"S-1-5-32-544" || sid == L"S-1-5-18" || sid == security->owner) continue;
            EXPECT_EQ(mask & kFileWriteRights, 0u) << sid << " may write";
        }
        return;
    }
    EXPECT_EQ(security->owner, L"S-1-5-32-544");
    EXPECT_TRUE(security->protectedDacl) << "nothing inherited from the parent folder";
    EXPECT_EQ(security->otherEntries, 0);
    for (const auto& [sid, mask] : security->allowed) {
        if (sid == L"S-1-5-32-544" || sid == L"S-1-5-18") {
            EXPECT_EQ(mask, FILE_ALL_ACCESS) << sid;
        } else {
            EXPECT_EQ(sid, L"S-1-5-32-545") << "no one else";
            EXPECT_EQ(mask, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE) << sid;
        }
    }
}

struct Shortcut {
    std::wstring target;
    std::wstring iconFile;
    int iconIndex = -1;
};

std::optional<Shortcut> ReadShortcut(const std::wstring& path) {
    CLSID shellLink{};
    ::CLSIDFromString(L"{00021401-0000-0000-C000-000000000046}", &shellLink);
    IShellLinkW* link = nullptr;
    if (FAILED(::CoCreateInstance(shellLink, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                                  reinterpret_cast<void**>(&link)))) {
        return std::nullopt;
    }
    std::optional<Shortcut> result;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
            Shortcut shortcut;
            wchar_t buffer[MAX_PATH] = {};
            if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))) shortcut.target = buffer;
            buffer[0] = L'\0';
            if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &shortcut.iconIndex))) shortcut.iconFile = buffer;
            result = shortcut;
        }
        file->Release();
    }
    link->Release();
    return result;
}

bool EverythingGone() {
    return !Exists(InstallFolder()) && !Exists(StartMenuGroup()) && !KeyExists(kUninstallKey) &&
           !KeyExists(kSettingsKey);
}

class Installer : public KestrelTest {
protected:
    static void SetUpTestSuite() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    static void TearDownTestSuite() { ::CoUninitialize(); }

    void SetUp() override {
        RemoveInstallation();
        DeleteSettingsKey();
        ASSERT_TRUE(Exists(InstallerPath())) << "cpack makes it first (ctest -R Installer runs the fixture)";
        ASSERT_EQ(RunProgram(InstallerPath(), L"/S"), std::optional<DWORD>(0u)) << "the silent install succeeds";
    }

    // Kestrel first: the uninstaller leaves a running Kestrel alone.
    void TearDown() override {
        kestrel_.End();
        RemoveInstallation();
    }

    // Leaves no installation behind for the next test or suite, whatever the test did. The
    // uninstaller runs in place (_?=), so it is waited for, and is then deleted by hand.
    static void RemoveInstallation() {
        if (Exists(Uninstaller())) {
            RunProgram(Uninstaller(), L"/S _?=" + InstallFolder());
            ::DeleteFileW(Uninstaller().c_str());
            ::RemoveDirectoryW(InstallFolder().c_str());
        }
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
    }
};

TEST_F(Installer, PutsTheProgramItsShortcutItsUninstallEntryAndTheSettingsKeyInPlace) {
    // The program, the very file the build made, with the README and the uninstaller.
    ASSERT_TRUE(Exists(InstalledProgram()));
    EXPECT_TRUE(Contents(InstalledProgram()) == Contents(BuildFolder() + L"\\kestrel.exe"));
    EXPECT_TRUE(Exists(InstallFolder() + L"\\README.md"));
    EXPECT_TRUE(Exists(Uninstaller()));

    // Start menu, Programs, the Kestrel group, the Kestrel icon: for every user.
    const std::wstring shortcutPath = StartMenuGroup() + L"\\Kestrel.lnk";
    ASSERT_TRUE(Exists(shortcutPath));
    const auto shortcut = ReadShortcut(shortcutPath);
    ASSERT_TRUE(shortcut.has_value());
    EXPECT_EQ(Lower(shortcut->target), Lower(InstalledProgram()));
    EXPECT_EQ(Lower(shortcut->iconFile), Lower(InstalledProgram()));
    EXPECT_EQ(shortcut->iconIndex, 0);

    // Add/Remove Programs.
    EXPECT_EQ(RegText(kUninstallKey, L"DisplayName"), L"Kestrel");
    EXPECT_EQ(RegText(kUninstallKey, L"DisplayVersion"), Widen(KESTREL_VERSION_STRING));
    EXPECT_EQ(RegText(kUninstallKey, L"DisplayIcon"), InstalledProgram() + L",0");
    EXPECT_EQ(RegText(kUninstallKey, L"UninstallString"), L"\"" + Uninstaller() + L"\"");
    EXPECT_EQ(RegText(kUninstallKey, L"InstallLocation"), InstallFolder());
    EXPECT_NE(RegText(kUninstallKey, L"Publisher").value_or(L""), L"");
    EXPECT_EQ(RegNumber(kUninstallKey, L"NoModify"), std::optional<DWORD>(1u));
    EXPECT_EQ(RegNumber(kUninstallKey, L"NoRepair"), std::optional<DWORD>(1u));
    EXPECT_GE(RegNumber(kUninstallKey, L"EstimatedSize").value_or(0), Contents(InstalledProgram()).size() / 1024);

    // The settings key, empty (the first start reads empty settings); ordinary users may read and
    // write its values and do nothing else with it: no subkeys, no links, nothing handed down.
    for (const REGSAM access : {REGSAM(KEY_QUERY_VALUE), REGSAM(KEY_SET_VALUE)}) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, access, &key), ERROR_SUCCESS) << access;
        ::RegCloseKey(key);
    }
    EXPECT_EQ(ValueCount(kSettingsKey), 0u);
    const auto users = UsersEntries(kSettingsKey);
    ASSERT_TRUE(users.has_value());
    int explicitEntries = 0;
    for (const UsersEntry& entry : *users) {
        EXPECT_EQ(entry.rights & (KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | WRITE_DAC | WRITE_OWNER | DELETE), 0u)
            << std::hex << entry.rights;
        if (entry.flags & INHERITED_ACE) continue;
        ++explicitEntries;
        EXPECT_EQ(entry.rights, kUsersAccess) << std::hex << entry.rights;
        EXPECT_EQ(entry.flags & (CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE), 0) << "handed down to subkeys";
    }
    EXPECT_EQ(explicitEntries, 1);
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
    // Silent runs stop at once with exit code 2 (aborted) and change nothing. The uninstaller
    // runs in place (_?=) so that its own exit code is seen.
    EXPECT_EQ(RunProgram(InstallerPath(), L"/S"), std::optional<DWORD>(2u));
    EXPECT_EQ(RunProgram(Uninstaller(), L"/S _?=" + InstallFolder()), std::optional<DWORD>(2u));
    EXPECT_TRUE(kestrel_.Running());
    EXPECT_TRUE(Exists(InstalledProgram()));
    EXPECT_TRUE(Exists(StartMenuGroup() + L"\\Kestrel.lnk"));
    EXPECT_TRUE(KeyExists(kUninstallKey));
    EXPECT_TRUE(KeyExists(kSettingsKey));
    kestrel_.End();
    // Once Kestrel has gone, the uninstaller does its work.
    EXPECT_EQ(RunProgram(Uninstaller(), L"/S _?=" + InstallFolder()), std::optional<DWORD>(0u));
    EXPECT_FALSE(Exists(InstalledProgram()));
    EXPECT_FALSE(KeyExists(kSettingsKey));
}

// Setup and uninstall look for Kestrel's mutex, not for a window any program could make.
TEST_F(Installer, SeeKestrelByItsMutexNotByAWindowClass) {
    {
        const std::wstring name = std::wstring(L"Global\\") + kRunningMutexName;
        const HANDLE held = ::CreateMutexW(nullptr, FALSE, name.c_str());
        ASSERT_NE(held, nullptr);
        EXPECT_EQ(RunProgram(InstallerPath(), L"/S"), std::optional<DWORD>(2u));
        EXPECT_EQ(RunProgram(Uninstaller(), L"/S _?=" + InstallFolder()), std::optional<DWORD>(2u));
        ::CloseHandle(held);
        EXPECT_TRUE(Exists(InstalledProgram()));
    }
    // A window of Kestrel's class in a program that is not Kestrel.
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = ids::fmMain::kWindowClass;
    const ATOM atom = ::RegisterClassW(&wc);
    ASSERT_NE(atom, 0);
    HWND impostor = ::CreateWindowW(ids::fmMain::kWindowClass, L"Kestrel", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                    nullptr, wc.hInstance, nullptr);
    ASSERT_NE(impostor, nullptr);
    EXPECT_EQ(RunProgram(InstallerPath(), L"/S"), std::optional<DWORD>(0u));
    EXPECT_EQ(RunProgram(Uninstaller(), L"/S _?=" + InstallFolder()), std::optional<DWORD>(0u));
    EXPECT_FALSE(Exists(InstalledProgram()));
    ::DestroyWindow(impostor);
    ::UnregisterClassW(ids::fmMain::kWindowClass, wc.hInstance);
}

TEST_F(Installer, FolderOutsideProgramFilesIsWritableByAdministratorsOnly) {
    const std::wstring folder = L"C:\\KestrelElsewhere";
    const std::wstring uninstaller = folder + L"\\Uninstall.exe";
    struct Cleanup {
        std::wstring folder, uninstaller;
        ~Cleanup() {
            if (Exists(uninstaller)) RunProgram(uninstaller, L"/S _?=" + folder);
            for (const wchar_t* name : {L"\\Uninstall.exe", L"\\kestrel.exe", L"\\README.md", L"\\LICENSE"}) {
                ::DeleteFileW((folder + name).c_str());
            }
            ::RemoveDirectoryW(folder.c_str());
        }
    } cleanup{folder, uninstaller};
    // An empty folder that everybody may change, as on the root of a second drive.
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(SetFileSecurity(folder, L"D:(A;OICI;FA;;;WD)", DACL_SECURITY_INFORMATION));
    const bool wholeDescriptor = SystemKeepsFileSecurity();
    if (!wholeDescriptor) std::printf("This system keeps only part of a file's security: checked what it keeps.\n");

    ASSERT_EQ(RunProgram(InstallerPath(), L"/S /D=" + folder), std::optional<DWORD>(0u));
    ASSERT_TRUE(Exists(folder + L"\\kestrel.exe"));
    ExpectAdministratorsOnlyMayWrite(folder, wholeDescriptor);
    ExpectAdministratorsOnlyMayWrite(folder + L"\\kestrel.exe", wholeDescriptor);
    ExpectAdministratorsOnlyMayWrite(uninstaller, wholeDescriptor);
}

TEST_F(Installer, RefusesAFolderOutsideProgramFilesThatHoldsOtherFiles) {
    const std::wstring folder = L"C:\\KestrelShared";
    const std::wstring other = folder + L"\\notes.txt";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    { std::ofstream(other.c_str()) << "not Kestrel's"; }
    const auto before = ReadFileSecurity(folder);
    EXPECT_EQ(RunProgram(InstallerPath(), L"/S /D=" + folder), std::optional<DWORD>(2u));
    EXPECT_FALSE(Exists(folder + L"\\kestrel.exe"));
    EXPECT_TRUE(Contents(other) ==
                std::vector<char>({'n', 'o', 't', ' ', 'K', 'e', 's', 't', 'r', 'e', 'l', '\'', 's'}));
    const auto after = ReadFileSecurity(folder);
    ASSERT_TRUE(before.has_value() && after.has_value());
    EXPECT_EQ(before->protectedDacl, after->protectedDacl) << "its access rights are not the installer's";
    EXPECT_EQ(before->allowed, after->allowed);
    ::DeleteFileW(other.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

TEST_F(Installer, UninstallerRemovesTheProgramItsShortcutsItsEntryAndTheSettingsKey) {
    WriteSettings("1", "2", "L", "75");  // settings saved in the meantime go too
    const auto command = RegText(kUninstallKey, L"UninstallString");
    ASSERT_TRUE(command.has_value());
    // "C:\...\Uninstall.exe": the uninstaller copies itself to the temporary folder, starts the
    // copy and returns at once, so the removal is waited for.
    const std::wstring uninstaller = command->substr(1, command->size() - 2);
    ASSERT_EQ(RunProgram(uninstaller, L"/S"), std::optional<DWORD>(0u));
    EXPECT_TRUE(WaitFor(EverythingGone, 30s));

    EXPECT_FALSE(Exists(InstalledProgram()));
    EXPECT_FALSE(Exists(InstallFolder()));
    EXPECT_FALSE(Exists(StartMenuGroup() + L"\\Kestrel.lnk"));
    EXPECT_FALSE(Exists(StartMenuGroup()));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_FALSE(KeyExists(kSettingsKey));
    EXPECT_FALSE(KeyExists(kVendorKey)) << "nothing else lived under it";
}

TEST_F(Installer, UninstallerLeavesWhatALinkUnderTheSettingsKeyPointsAt) {
    MakeCanary();
    struct Cleanup {
        ~Cleanup() {
            RemoveRegistryLink(kSettingsKey, L"Planted");
            RemoveCanary();
        }
    } cleanup;
    ASSERT_TRUE(PlantRegistryLink(kSettingsKey, L"Planted", L"\\Registry\\Machine\\" + std::wstring(kCanaryKey)));
    ASSERT_EQ(RegNumber(L"Software\\Olm\\Kestrel\\Planted", L"Alive"), std::optional<DWORD>(7u))
        << "the registry follows the link";
    WriteSettings("2", "2", "L", "60");

    ASSERT_EQ(RunProgram(Uninstaller(), L"/S _?=" + InstallFolder()), std::optional<DWORD>(0u));

    EXPECT_FALSE(Exists(InstalledProgram()));
    EXPECT_EQ(RegNumber(kCanaryKey, L"Alive"), std::optional<DWORD>(7u)) << "the link was followed";
    EXPECT_TRUE(KeyExists((std::wstring(kCanaryKey) + L"\\Inner").c_str())) << "the link was followed";
    for (const char* name : {"Scope", "Destination", "Orientation", "Percent"}) {
        EXPECT_FALSE(ReadRawValue(name).has_value()) << name;
    }
    // The key itself stays while something that is not Kestrel's lies in it.
    EXPECT_TRUE(KeyExists(kSettingsKey));
}

}  // namespace
}  // namespace kestrel::e2e
