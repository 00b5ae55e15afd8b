// Footprint of kestrel.exe against the floor program (floor_window.exe: a bare Win32 window built
// with the same compiler and flags), measured in one run on the same machine:
//   - the program files: size, and whether every DLL they import is a KnownDLL;
//   - private bytes (the commit charge, PagefileUsage: Wine reports PrivateUsage as 0 for other
//     processes) at idle after start, and Kestrel's after a series of captures to the clipboard;
//   - time from CreateProcess to the main window being visible, median of several starts.
// Prints a Markdown table. It asserts nothing: scripts/bench-footprint runs it under Wine.
//
//   footprint.exe --floor F.exe --kestrel K.exe [--floor32 F32.exe --kestrel32 K32.exe]
//                 [--starts 10] [--captures 100]
#include "app/fmMain_ids.h"
#include "toolkit/win.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr wchar_t kFloorClass[] = L"Kestrel.Floor";

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition()) return true;
        if (Clock::now() > end) return false;
        ::Sleep(1);
    }
}

// ---- Program files ------------------------------------------------------------------------------

std::vector<std::uint8_t> ReadFile(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The DLL names in a PE file's import directory (PE32 and PE32+ alike).
std::vector<std::string> ImportedDlls(const std::vector<std::uint8_t>& image) {
    auto u16 = [&](std::size_t at) -> std::uint32_t {
        return at + 2 <= image.size() ? image[at] | image[at + 1] << 8 : 0;
    };
    auto u32 = [&](std::size_t at) -> std::uint32_t {
        return at + 4 <= image.size() ? u16(at) | u16(at + 2) << 16 : 0;
    };
    std::vector<std::string> names;
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return names;
    const std::size_t pe = u32(0x3C);
    if (u32(pe) != 0x00004550) return names;
    const std::size_t coff = pe + 4;
    const std::uint32_t sectionCount = u16(coff + 2);
    const std::size_t optional = coff + 20;
    const std::size_t directories = optional + (u16(optional) == 0x20B ? 112 : 96);
    const std::size_t sections = optional + u16(coff + 16);
    auto offsetOf = [&](std::uint32_t rva) -> std::size_t {
        for (std::uint32_t i = 0; i < sectionCount; ++i) {
            const std::size_t s = sections + i * 40;
            const std::uint32_t va = u32(s + 12), size = std::max(u32(s + 8), u32(s + 16));
            if (rva >= va && rva < va + size) return u32(s + 20) + (rva - va);
        }
        return image.size();
    };
    for (std::size_t entry = offsetOf(u32(directories + 8)); entry + 20 <= image.size(); entry += 20) {
        const std::uint32_t nameRva = u32(entry + 12);
        if (nameRva == 0) break;
        std::string name;
        for (std::size_t at = offsetOf(nameRva); at < image.size() && image[at]; ++at) name += char(image[at]);
        names.push_back(name);
    }
    return names;
}

// Windows' KnownDLLs (the ones a program may import): the loader takes them from the system folder
// whatever lies beside the program. The list tests/check_imports.sh enforces.
bool IsKnownDll(const std::string& name) {
    static const char* const known[] = {"advapi32.dll", "comdlg32.dll", "gdi32.dll",   "imm32.dll",
                                        "kernel32.dll", "msvcrt.dll",   "ole32.dll",   "oleaut32.dll",
                                        "shell32.dll",  "shlwapi.dll",  "user32.dll"};
    for (const char* dll : known) {
        if (::lstrcmpiA(dll, name.c_str()) == 0) return true;
    }
    return false;
}

struct FileFacts {
    std::size_t bytes = 0;
    std::vector<std::string> dlls;
    bool onlyKnownDlls = true;
};

FileFacts Examine(const std::wstring& path) {
    FileFacts facts;
    const auto image = ReadFile(path);
    facts.bytes = image.size();
    facts.dlls = ImportedDlls(image);
    for (const auto& dll : facts.dlls) facts.onlyKnownDlls = facts.onlyKnownDlls && IsKnownDll(dll);
    return facts;
}

// ---- Running programs ---------------------------------------------------------------------------

struct FindArgs {
    DWORD pid;
    const wchar_t* windowClass;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND wnd, LPARAM param) {
    auto* args = reinterpret_cast<FindArgs*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    if (pid != args->pid || !::IsWindowVisible(wnd)) return TRUE;
    wchar_t name[64] = {};
    ::GetClassNameW(wnd, name, 64);
    if (std::wstring(name) != args->windowClass) return TRUE;
    args->found = wnd;
    return FALSE;
}

class Running {
public:
    // Starts the program and waits (up to 30 s) for its window of that class to be visible.
    Running(const std::wstring& exe, const wchar_t* windowClass) {
        std::wstring commandLine = L"\"" + exe + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        const auto start = Clock::now();
        if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &info_)) {
            return;
        }
        FindArgs args{info_.dwProcessId, windowClass, nullptr};
        auto visible = [&] {
            ::EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&args));
            return args.found != nullptr;
        };
        if (WaitFor(visible, 30000)) {
            window_ = args.found;
            msToVisible_ = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
    }
    ~Running() {
        if (!info_.hProcess) return;
        if (window_) ::PostMessageW(window_, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(info_.hProcess, 5000) != WAIT_OBJECT_0) ::TerminateProcess(info_.hProcess, 1);
        ::WaitForSingleObject(info_.hProcess, 5000);
        ::CloseHandle(info_.hThread);
        ::CloseHandle(info_.hProcess);
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

    HWND Window() const { return window_; }
    double MsToVisible() const { return msToVisible_; }
    std::size_t PrivateBytes() const {
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof counters;
        ::GetProcessMemoryInfo(info_.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
        return counters.PagefileUsage;
    }

private:
    PROCESS_INFORMATION info_{};
    HWND window_ = nullptr;
    double msToVisible_ = 0;
};

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void SetText(HWND wnd, const wchar_t* text) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &ignored);
}

struct CaptureRun {
    int delivered = 0;  // captures that put a new picture on the clipboard
    std::size_t holdingPicture = 0;
    std::size_t clipboardEmptied = 0;
};

// Entire screen to the clipboard, `count` times, through the Capture button; private bytes with
// the last picture still on the clipboard, and after another program has emptied the clipboard.
CaptureRun Captures(const std::wstring& kestrel, int count) {
    CaptureRun run;
    Running program(kestrel, kestrel::ids::fmMain::kWindowClass);
    HWND main = program.Window();
    if (!main) return run;
    HWND fields = ::GetDlgItem(main, kestrel::ids::fmMain::kPicture1);
    SetText(::GetDlgItem(fields, kestrel::ids::fmMain::kTxtScope), L"1");
    SetText(::GetDlgItem(fields, kestrel::ids::fmMain::kTxtDest), L"2");
    HWND capture = ::GetDlgItem(main, kestrel::ids::fmMain::kCmdCapture);
    bool engine = true;
    for (int i = 0; i < count; ++i) {
        const DWORD before = ::GetClipboardSequenceNumber();
        DWORD_PTR ignored = 0;
        // BM_CLICK sent, not posted: it returns when the click handler has run.
        ::SendMessageTimeoutW(capture, BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &ignored);
        if (engine && WaitFor([&] { return ::GetClipboardSequenceNumber() != before && ::IsWindowVisible(main); },
                              i == 0 ? 5000 : 20000)) {
            ++run.delivered;
        } else {
            engine = false;  // no picture arrives: no need to wait for the others
            WaitFor([&] { return ::IsWindowVisible(main) != FALSE; }, 5000);
        }
    }
    ::Sleep(1000);
    run.holdingPicture = program.PrivateBytes();
    if (::OpenClipboard(nullptr)) {
        ::EmptyClipboard();
        ::CloseClipboard();
    }
    ::Sleep(1000);
    run.clipboardEmptied = program.PrivateBytes();
    return run;
}

std::string Kb(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f KB", bytes / 1024.0);
    return text;
}

std::string SignedKb(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.0f KB", bytes / 1024.0);
    return text;
}

std::string Dlls(const FileFacts& facts) {
    std::string text;
    for (const auto& dll : facts.dlls) text += (text.empty() ? "" : ", ") + dll;
    return text + (facts.onlyKnownDlls ? " (all KnownDLLs)" : " (NOT all KnownDLLs)");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring floor, themed, kestrel, floor32, kestrel32;
    int starts = 10, captures = 100;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring option = argv[i], value = argv[i + 1];
        if (option == L"--floor")
            floor = value;
        else if (option == L"--themed")
            themed = value;
        else if (option == L"--kestrel")
            kestrel = value;
        else if (option == L"--floor32")
            floor32 = value;
        else if (option == L"--kestrel32")
            kestrel32 = value;
        else if (option == L"--starts")
            starts = std::max(1, _wtoi(value.c_str()));
        else if (option == L"--captures")
            captures = std::max(0, _wtoi(value.c_str()));
    }
    if (floor.empty() || kestrel.empty()) {
        std::fprintf(stderr,
                     "usage: footprint --floor F.exe --kestrel K.exe [--themed T.exe] "
                     "[--floor32 F --kestrel32 K] [--starts N] [--captures N]\n");
        return 2;
    }

    const char* bits = sizeof(void*) == 8 ? "win64" : "win32";
    std::printf("| Measure | Floor | Kestrel | Kestrel against floor | Target |\n");
    std::printf("|---|---|---|---|---|\n");
    auto fileRows = [&](const std::wstring& f, const std::wstring& k, const char* build, const char* target) {
        const FileFacts ff = Examine(f), kf = Examine(k);
        std::printf("| %s program file | %s | %s | %s | %s |\n", build, Kb(double(ff.bytes)).c_str(),
                    Kb(double(kf.bytes)).c_str(), SignedKb(double(kf.bytes) - double(ff.bytes)).c_str(), target);
        std::printf("| %s DLLs imported | %s | %s | | KnownDLLs only |\n", build, Dlls(ff).c_str(), Dlls(kf).c_str());
    };
    if (!floor32.empty() && !kestrel32.empty()) fileRows(floor32, kestrel32, "win32", "at most 400 KB");
    fileRows(floor, kestrel, bits, "");

    // Idle private bytes: one start each, after a warm-up start that fills Wine's caches.
    struct Program {
        Program(std::wstring file, const wchar_t* className) : exe(std::move(file)), windowClass(className) {}
        std::wstring exe;
        const wchar_t* windowClass;
        std::size_t idle = 0;
        std::vector<double> times;
    };
    std::vector<Program> programs{Program(floor, kFloorClass), Program(kestrel, kestrel::ids::fmMain::kWindowClass)};
    if (!themed.empty()) programs.emplace_back(themed, kFloorClass);
    for (auto& program : programs) {
        { Running warm(program.exe, program.windowClass); }
        Running running(program.exe, program.windowClass);
        ::Sleep(2000);
        program.idle = running.PrivateBytes();
    }
    const Program& base = programs[0];
    const Program& main = programs[1];
    auto idleRow = [&](const Program& against, const char* label, const char* target) {
        std::printf("| %s private bytes at idle after start%s | %s | %s | %s | %s |\n", bits, label,
                    Kb(double(against.idle)).c_str(), Kb(double(main.idle)).c_str(),
                    SignedKb(double(main.idle) - double(against.idle)).c_str(), target);
    };
    idleRow(base, "", "at most +1024 KB");
    if (programs.size() > 2) idleRow(programs[2], "; floor with one themed button", "");

    const CaptureRun run = Captures(kestrel, captures);
    std::printf(
        "| %s private bytes after %d captures (%d reached the clipboard), the last picture still on the "
        "clipboard | %s | %s | %s | |\n",
        bits, captures, run.delivered, Kb(double(base.idle)).c_str(), Kb(double(run.holdingPicture)).c_str(),
        SignedKb(double(run.holdingPicture) - double(base.idle)).c_str());
    std::printf(
        "| %s private bytes after %d captures, clipboard emptied by another program | %s | %s | %s | at most "
        "+1024 KB |\n",
        bits, captures, Kb(double(base.idle)).c_str(), Kb(double(run.clipboardEmptied)).c_str(),
        SignedKb(double(run.clipboardEmptied) - double(base.idle)).c_str());

    // Start to visible main window, the programs taking turns.
    for (int i = 0; i < starts; ++i) {
        for (auto& program : programs) {
            Running running(program.exe, program.windowClass);
            if (running.Window()) program.times.push_back(running.MsToVisible());
        }
    }
    auto timeRow = [&](const Program& against, const char* label, const char* target) {
        const double floorMedian = Median(against.times), kestrelMedian = Median(main.times);
        std::printf("| %s start to visible main window, median of %d%s | %.0f ms | %.0f ms | x%.2f | %s |\n", bits,
                    starts, label, floorMedian, kestrelMedian, floorMedian > 0 ? kestrelMedian / floorMedian : 0.0,
                    target);
    };
    timeRow(base, "", "at most x1.2");
    if (programs.size() > 2) timeRow(programs[2], "; floor with one themed button", "");
    return 0;
}
