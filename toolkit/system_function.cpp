#include "toolkit/system_function.h"

#include "toolkit/handles.h"

namespace kestrel {
namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// The search flags arrived with Windows 8 (and an update for Windows 7); AddDllDirectory is the
// documented sign that LoadLibraryExW understands them. Without them the DLL is named by its full
// path in the system folder, and its own dependencies are searched from there.
bool SearchFlagsSupported() noexcept {
    HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    return kernel32 && ::GetProcAddress(kernel32, "AddDllDirectory") != nullptr;
}

HMODULE LoadFromSystemFolder(const wchar_t* dll) noexcept {
    if (SearchFlagsSupported()) return ::LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    wchar_t path[MAX_PATH];
    const UINT folder = ::GetSystemDirectoryW(path, MAX_PATH);
    const int name = ::lstrlenW(dll);
    if (folder == 0 || folder + 1 + name >= MAX_PATH) return nullptr;
    path[folder] = L'\\';
    ::lstrcpynW(path + folder + 1, dll, MAX_PATH - static_cast<int>(folder) - 1);
    return ::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

struct LoadedLibrary {
    const wchar_t* name = nullptr;  // the callers' literal, compared case-insensitively
    UniqueModule module;
};

// A handful of DLLs at most; a miss is remembered as well, so a missing DLL is looked for once.
LoadedLibrary g_loaded[8];

}  // namespace

HMODULE SystemLibrary(const wchar_t* dll) noexcept {
    for (LoadedLibrary& entry : g_loaded) {
        if (!entry.name) {
            entry.name = dll;
            entry.module.reset(LoadFromSystemFolder(dll));
            return entry.module.get();
        }
        if (::lstrcmpiW(entry.name, dll) == 0) return entry.module.get();
    }
    // More DLLs than the table holds: load without remembering; the system counts the references.
    return LoadFromSystemFolder(dll);
}

void RestrictDllSearchToSystemFolder() noexcept {
    using SetDefaultDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (auto setDefault = SystemFunction<SetDefaultDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories")) {
        if (setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    }
    // Older systems: at least take the current directory out of the search.
    ::SetDllDirectoryW(L"");
}

}  // namespace kestrel
