#include "toolkit/text.h"

#include "toolkit/win.h"

#include <climits>

namespace kestrel {

std::wstring Widen(std::string_view narrow) {
    if (narrow.empty() || narrow.size() > INT_MAX) return {};
    const int n = static_cast<int>(narrow.size());
    const int count = ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), n, nullptr, 0);
    if (count <= 0) return {};
    std::wstring wide(static_cast<size_t>(count), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), n, wide.data(), count);
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty() || wide.size() > INT_MAX) return {};
    const int n = static_cast<int>(wide.size());
    const int count = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    if (count <= 0) return {};
    std::string narrow(static_cast<size_t>(count), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), n, narrow.data(), count, nullptr, nullptr);
    return narrow;
}

}  // namespace kestrel
