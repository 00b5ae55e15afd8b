// The one loader of optional system functions. A DLL that is not in Windows' KnownDLLs list is
// searched for in the program's own folder first when it is imported or loaded by bare name; a copy
// of Kestrel in Downloads would then run whatever "version.dll" lies beside it. Everything the
// program does not import statically is loaded here, from the system folder only.
#pragma once
#include "toolkit/win.h"

namespace kestrel {

// The module loaded from the system folder, or null when it is missing there. Loaded once and kept
// for the life of the process, so the functions taken from it stay valid.
HMODULE SystemLibrary(const wchar_t* dll) noexcept;

// A function of a system DLL, or null where this Windows (or Wine) lacks the DLL or the function.
template <typename Fn>
Fn SystemFunction(const wchar_t* dll, const char* name) noexcept {
    HMODULE module = SystemLibrary(dll);
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// From here on, LoadLibrary calls made by the program or by system code on its behalf search the
// system folder only, never the program's folder or the current directory.
void RestrictDllSearchToSystemFolder() noexcept;

}  // namespace kestrel
