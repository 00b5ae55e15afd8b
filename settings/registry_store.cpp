#include "settings/registry_store.h"

#include "settings/leading_number.h"
#include "toolkit/handles.h"
#include "toolkit/run_time_error.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace kestrel {
namespace {

// Each open asks for exactly the right it uses. The installer grants ordinary users query and set
// value on the settings key and nothing else; a wider request would be refused for them, and every
// setting would be lost.
constexpr REGSAM kWriteAccess = KEY_SET_VALUE;
constexpr REGSAM kReadAccess = KEY_QUERY_VALUE;

std::int32_t ToNumber(const RegistryValue& value) {
    if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
    if (const auto* text = std::get_if<std::string>(&value)) {
        const double d = LeadingNumber(*text);
        if (!std::isfinite(d) || d < std::numeric_limits<std::int32_t>::min() - 0.5 ||
            d >= std::numeric_limits<std::int32_t>::max() + 0.5) {
            throw OverflowError();
        }
        return static_cast<std::int32_t>(std::nearbyint(d));
    }
    return 0;
}

LSTATUS PutTypedValue(HKEY key, const std::string& valueName, int typeCode, const RegistryValue& value) {
    if (typeCode == kRegistryTypeText) {
        const std::string text = RegistryValueText(value);
        if (text.size() > std::numeric_limits<DWORD>::max()) return ERROR_INVALID_PARAMETER;
        // No terminating NUL is counted: the value holds exactly the text.
        return ::RegSetValueExA(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                                static_cast<DWORD>(text.size()));
    }
    if (typeCode == kRegistryTypeNumber) {
        const std::int32_t number = ToNumber(value);
        BYTE bytes[4];
        std::memcpy(bytes, &number, sizeof bytes);
        return ::RegSetValueExA(key, valueName.c_str(), 0, REG_DWORD, bytes, sizeof bytes);
    }
    return ERROR_SUCCESS;
}

LSTATUS FetchTypedValue(HKEY key, const std::string& valueName, RegistryValue& value) noexcept {
    try {
        DWORD type = 0;
        DWORD size = 0;
        LSTATUS status = ::RegQueryValueExA(key, valueName.c_str(), nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) return status;
        if (type == REG_SZ) {
            std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
            DWORD read = size;
            status = ::RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                        &read);
            if (status != ERROR_SUCCESS || type != REG_SZ || read > size) {
                value = std::monostate{};
                return status != ERROR_SUCCESS ? status : ERROR_INVALID_DATA;
            }
            std::string text(buffer.data(), read);
            // Other programs store the terminating NUL with the text; it is not part of the setting.
            if (!text.empty() && text.back() == '\0') text.pop_back();
            value = std::move(text);
            return status;
        }
        if (type == REG_DWORD) {
            // Read into a buffer of the size the value really has: a malformed DWORD value can be
            // longer (or shorter) than four bytes.
            std::vector<BYTE> buffer(std::max<DWORD>(size, 4), 0);
            DWORD read = size;
            status = ::RegQueryValueExA(key, valueName.c_str(), nullptr, &type, buffer.data(), &read);
            if (status == ERROR_SUCCESS && type == REG_DWORD && read >= 4) {
                std::int32_t number = 0;
                std::memcpy(&number, buffer.data(), sizeof number);
                value = number;
            }
            return status;
        }
        return -1;
    } catch (...) {
        // Out of memory for a huge value: the setting reads as empty.
        return ERROR_OUTOFMEMORY;
    }
}

}  // namespace

std::string RegistryValueText(const RegistryValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_string(*number);
    return {};
}

LSTATUS SaveRegistryValue(HKEY root, std::string_view keyPath, std::string_view valueName, const RegistryValue& value,
                          int typeCode) {
    const std::string path(keyPath);
    HKEY raw = nullptr;
    LSTATUS status = ::RegOpenKeyExA(root, path.c_str(), 0, kWriteAccess, &raw);
    if (status == ERROR_FILE_NOT_FOUND) {
        // A first run on a machine without the key: make it, or no setting would ever survive.
        status = ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kWriteAccess, nullptr, &raw,
                                   nullptr);
    }
    UniqueKey key(raw);
    if (status != ERROR_SUCCESS) return status;
    return PutTypedValue(key.get(), std::string(valueName), typeCode, value);
}

RegistryValue ReadRegistryValue(HKEY root, std::string_view keyPath, std::string_view valueName) noexcept {
    RegistryValue value;
    try {
        HKEY raw = nullptr;
        if (::RegOpenKeyExA(root, std::string(keyPath).c_str(), 0, kReadAccess, &raw) != ERROR_SUCCESS) return value;
        UniqueKey key(raw);
        FetchTypedValue(key.get(), std::string(valueName), value);
    } catch (...) {
        value = std::monostate{};
    }
    return value;
}

}  // namespace kestrel
