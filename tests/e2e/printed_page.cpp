#include "tests/e2e/printed_page.h"

#include "app/fmMain_ids.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace kestrel::e2e::printing {
namespace {

std::wstring PrintedPagePath() { return BuildFolder() + L"\\e2e\\cups\\out\\printed.ps"; }

// The test runs from the Z: drive, which Wine maps to the root of the Linux file system.
std::string UnixPath(const std::wstring& path) {
    std::string unix;
    const size_t start = (path.size() > 2 && path[1] == L':') ? 2 : 0;
    for (size_t i = start; i < path.size(); ++i) unix += path[i] == L'\\' ? '/' : static_cast<char>(path[i]);
    return unix;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Wine runs a Linux program named to CreateProcess but hands back no process handle; the script
// therefore reports its exit status in a file, which is polled for. Returns that status, or
// nullopt when the script did not finish in time.
std::optional<int> RunOnHost(const std::string& script, const std::wstring& statusFile,
                             std::chrono::milliseconds timeout = 60s) {
    ::DeleteFileW(statusFile.c_str());
    const std::string status = UnixPath(statusFile);
    const std::string full =
        "(" + script + "); echo $? >'" + status + ".tmp' && mv '" + status + ".tmp' '" + status + "'";
    std::wstring commandLine = L"Z:\\bin\\sh -c \"";
    for (char c : full) commandLine += static_cast<wchar_t>(c);
    commandLine += L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return std::nullopt;
    }
    if (info.hThread) ::CloseHandle(info.hThread);
    if (info.hProcess) ::CloseHandle(info.hProcess);
    std::optional<std::string> text;
    if (!WaitFor([&] { return (text = ReadWholeFile(statusFile)).has_value(); }, timeout)) return std::nullopt;
    return std::atoi(text->c_str());
}

// A binary PPM (P6, 8 bits per channel) as Ghostscript's ppmraw device writes it.
std::optional<Image> ReadPpm(const std::wstring& path) {
    const std::optional<std::string> file = ReadWholeFile(path);
    if (!file || file->compare(0, 2, "P6") != 0) return std::nullopt;
    size_t pos = 2;
    int fields[3] = {};
    for (int& field : fields) {
        for (;;) {
            while (pos < file->size() && std::isspace(static_cast<unsigned char>((*file)[pos]))) ++pos;
            if (pos < file->size() && (*file)[pos] == '#') {
                while (pos < file->size() && (*file)[pos] != '\n') ++pos;
                continue;
            }
            break;
        }
        while (pos < file->size() && std::isdigit(static_cast<unsigned char>((*file)[pos]))) {
            field = field * 10 + ((*file)[pos] - '0');
            ++pos;
        }
    }
    ++pos;  // the one whitespace byte before the pixels
    Image image{fields[0], fields[1], {}};
    const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (fields[2] != 255 || file->size() < pos + count * 3) return std::nullopt;
    image.pixels.resize(count);
    const auto* bytes = reinterpret_cast<const unsigned char*>(file->data() + pos);
    for (size_t i = 0; i < count; ++i) image.pixels[i] = Rgb(bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]);
    return image;
}

}  // namespace

std::wstring PagesFolder() {
    const std::wstring folder = BuildFolder() + L"\\e2e\\pages";
    ::CreateDirectoryW((BuildFolder() + L"\\e2e").c_str(), nullptr);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void DiscardPrintedPage() { ::DeleteFileW(PrintedPagePath().c_str()); }

bool PrintedPageExists() { return ::GetFileAttributesW(PrintedPagePath().c_str()) != INVALID_FILE_ATTRIBUTES; }

std::optional<std::string> WaitForPrintedPage(std::chrono::milliseconds timeout) {
    std::optional<std::string> page;
    const bool complete = WaitFor(
        [&] {
            page = ReadWholeFile(PrintedPagePath());
            return page && page->find("%%EOF", page->size() > 16 ? page->size() - 16 : 0) != std::string::npos;
        },
        timeout);
    if (!complete) return std::nullopt;
    return page;
}

std::optional<Image> RenderPage(const std::string& postScript, const std::wstring& name) {
    const std::wstring base = PagesFolder() + L"\\" + name;
    std::ofstream((base + L".ps").c_str(), std::ios::binary) << postScript;
    ::DeleteFileW((base + L".ppm").c_str());
    const std::string script = "exec /usr/bin/gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=ppmraw -r300 -sOutputFile='" +
                               UnixPath(base + L".ppm") + "' '" + UnixPath(base + L".ps") + "' >'" +
                               UnixPath(base + L".gs.log") + "' 2>&1";
    const std::optional<int> status = RunOnHost(script, base + L".gs.status");
    if (!status || *status != 0) return std::nullopt;
    return ReadPpm(base + L".ppm");
}

Image TurnClockwise(const Image& portrait) {
    Image turned{portrait.height, portrait.width, std::vector<Pixel>(portrait.pixels.size())};
    for (int y = 0; y < turned.height; ++y) {
        for (int x = 0; x < turned.width; ++x) {
            turned.pixels[static_cast<size_t>(y) * static_cast<size_t>(turned.width) + x] =
                portrait.At(y, portrait.height - 1 - x);
        }
    }
    return turned;
}

void ExpectOneMessage(const KestrelProcess& kestrel, const std::wstring& text, const wchar_t* icon) {
    HWND main = kestrel.Main();
    Click(Child(main, ids::fmMain::kCmdCapture));
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(kestrel.ProcessId())) != nullptr; }, 20s))
        << "no message; the program is " << (kestrel.Running() ? "running" : "gone");
    EXPECT_EQ(WindowText(box), L"Kestrel");
    EXPECT_EQ(MessageBoxText(box), text);
    if (icon) EXPECT_EQ(MessageBoxIconKind(box), icon);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(main) != FALSE; })) << "the window did not come back";
    ::Sleep(500);
    EXPECT_EQ(FindMessageBox(kestrel.ProcessId()), nullptr) << "a second message followed";
    EXPECT_TRUE(kestrel.Running());
}

void ExpectNothingPrinted() {
    ::Sleep(3000);
    EXPECT_FALSE(PrintedPageExists()) << "a job reached the printer";
}

bool IsInk(Pixel p) { return ((p >> 16) & 0xFF) < 128 || ((p >> 8) & 0xFF) < 128 || (p & 0xFF) < 128; }

bool Near(Pixel p, Pixel colour) {
    for (int shift : {16, 8, 0}) {
        const int a = static_cast<int>((p >> shift) & 0xFF);
        const int b = static_cast<int>((colour >> shift) & 0xFF);
        if (a - b >= 48 || b - a >= 48) return false;
    }
    return true;
}

std::optional<Box> InkBox(const Image& page) {
    Box box{page.width, page.height, 0, 0};
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            if (!IsInk(page.At(x, y))) continue;
            if (x < box.left) box.left = x;
            if (y < box.top) box.top = y;
            if (x + 1 > box.right) box.right = x + 1;
            if (y + 1 > box.bottom) box.bottom = y + 1;
        }
    }
    if (box.right == 0) return std::nullopt;
    return box;
}

}  // namespace kestrel::e2e::printing
