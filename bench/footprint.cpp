// Footprint of kestrel.exe against floor programs built with the same compiler and flags
// (bench/floor_window.cpp: a bare Win32 window; floor_themed.exe: the same with Kestrel's manifest
// and one themed button), measured in one run on the same machine:
//   - the program files: size, and whether every DLL they import is a KnownDLL;
//   - private bytes at idle after start, and after the same series of captures to the clipboard
//     (the floors capture too: BitBlt of the screen, SetClipboardData, show again);
//   - where that memory is: the process's resident anonymous pages from /proc/PID/smaps (Wine's
//     files are Linux files, the Z: drive reaches them), split into the Unix heap of Wine's
//     Unix-side libraries (X11, the GDI engine), other Unix mappings, memory the Windows side
//     allocated (VirtualQueryEx knows it) and the private pages of each loaded program file (those
//     it wrote, and under Wine all of a file whose sections are not page-aligned in the file);
//   - time from CreateProcess to the main window being visible, median of several starts, the
//     programs taking turns.
// Prints Markdown tables. It asserts nothing: scripts/bench-footprint runs it under Wine.
//
//   footprint.exe --floor F.exe --kestrel K.exe [--themed T.exe] [--floor32 F32.exe --kestrel32 K32.exe]
//                 [--starts 10] [--captures 100]
#include "bench/bench_support.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace kestrel::bench;

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
    static const char* const known[] = {"advapi32.dll", "comdlg32.dll", "gdi32.dll", "imm32.dll",
                                        "kernel32.dll", "msvcrt.dll",   "ole32.dll", "oleaut32.dll",
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

// ---- Where the memory is ------------------------------------------------------------------------

std::string ReadWholeFile(const std::wstring& path) {
    std::string text;
    const HANDLE opened = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return text;
    const kestrel::UniqueKernelHandle file(opened);
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

// The Linux process that runs a program started from `exe` (a Z: path): the one whose command line
// names that file. The benchmark runs one copy at a time, and the path is this build's own.
std::wstring UnixProcessDir(const std::wstring& exe) {
    std::string unixPath;
    std::size_t from = exe.size() > 2 && exe[1] == L':' ? 2 : 0;
    for (std::size_t i = from; i < exe.size(); ++i) unixPath += exe[i] == L'\\' ? '/' : static_cast<char>(exe[i]);
    unixPath = Lower(unixPath);
    std::wstring found;
    WIN32_FIND_DATAW entry;
    HANDLE search = ::FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        const std::wstring name = entry.cFileName;
        if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
        const std::wstring dir = L"Z:\\proc\\" + name;
        std::string command = ReadWholeFile(dir + L"\\cmdline");
        command = Lower(command.substr(0, command.find('\0')));
        for (char& c : command) c = c == '\\' ? '/' : c;
        if (command.size() >= 2 && command[1] == ':') command.erase(0, 2);
        if (command == unixPath) found = dir;
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return found;
}

// Resident anonymous memory (smaps "Anonymous"), by part of the process.
using Parts = std::map<std::string, std::size_t>;

constexpr char kUnixHeap[] = "Unix heap (glibc, Wine's Unix-side libraries)";
constexpr char kUnixOther[] = "other Unix mappings";
constexpr char kWindowsPrivate[] = "Windows-side private memory (heaps, stacks, VirtualAlloc)";
constexpr char kImagePrefix[] = "private pages of ";

Parts MemoryParts(const Running& program, const std::wstring& exe) {
    Parts parts;
    const std::wstring dir = UnixProcessDir(exe);
    if (dir.empty()) return parts;
    const std::string smaps = ReadWholeFile(dir + L"\\smaps");
    std::string part;
    std::size_t at = 0;
    while (at < smaps.size()) {
        std::size_t end = smaps.find('\n', at);
        if (end == std::string::npos) end = smaps.size();
        const std::string line = smaps.substr(at, end - at);
        at = end + 1;
        unsigned long long low = 0, high = 0;
        char perms[8] = {};
        if (std::sscanf(line.c_str(), "%llx-%llx %7s", &low, &high, perms) == 3) {
            // A mapping's first line: "low-high perms offset dev inode [path]".
            std::size_t pathAt = 0;
            int fields = 0;
            for (std::size_t i = 0; i < line.size() && fields < 5; ++i) {
                if (line[i] == ' ' && (i + 1 < line.size() && line[i + 1] != ' ')) {
                    ++fields;
                    pathAt = i + 1;
                }
            }
            const std::string path = fields >= 5 ? line.substr(pathAt) : std::string();
            if (path == "[heap]") {
                part = kUnixHeap;
            } else if (path.empty() || path[0] == '[') {
                // Wine maps some program files' sections as anonymous memory: the Windows side knows
                // them as images.
                MEMORY_BASIC_INFORMATION info{};
                const bool known =
                    path.empty() &&
                    ::VirtualQueryEx(program.Process(), reinterpret_cast<void*>(static_cast<std::uintptr_t>(low)),
                                     &info, sizeof info) == sizeof info &&
                    info.State != MEM_FREE;
                wchar_t module[MAX_PATH] = {};
                if (!known) {
                    part = kUnixOther;
                } else if (info.Type == MEM_IMAGE &&
                           ::GetModuleBaseNameW(program.Process(), static_cast<HMODULE>(info.AllocationBase), module,
                                                MAX_PATH)) {
                    std::string name;
                    for (const wchar_t* c = module; *c; ++c) name += static_cast<char>(*c);
                    part = kImagePrefix + Lower(name);
                } else {
                    part = kWindowsPrivate;
                }
            } else {
                part = kImagePrefix + Lower(path.substr(path.find_last_of('/') + 1));
            }
            continue;
        }
        unsigned long long kb = 0;
        if (std::sscanf(line.c_str(), "Anonymous: %llu kB", &kb) == 1 && kb) parts[part] += kb * 1024;
    }
    return parts;
}

std::size_t Sum(const Parts& parts, bool images) {
    std::size_t total = 0;
    for (const auto& [name, bytes] : parts) {
        if ((name.rfind(kImagePrefix, 0) == 0) == images) total += bytes;
    }
    return total;
}

// ---- Captures -----------------------------------------------------------------------------------

struct CaptureRun {
    int delivered = 0;  // captures that put a new picture on the clipboard
    std::size_t holdingPicture = 0;
    std::size_t clipboardEmptied = 0;
    Parts parts;  // with the clipboard emptied
};

// Entire screen to the clipboard, `count` times, clicked as a user does; private bytes with the
// last picture still on the clipboard, and after another program has emptied the clipboard.
CaptureRun Captures(const std::wstring& exe, const wchar_t* windowClass, int count) {
    CaptureRun run;
    Running program(exe, windowClass);
    HWND main = program.Window();
    if (!main) return run;
    if (std::wstring(windowClass) == kestrel::ids::fmMain::kWindowClass) SetKestrelScope(main, true);
    bool capturing = true;
    for (int i = 0; i < count; ++i) {
        const DWORD before = ::GetClipboardSequenceNumber();
        PostCaptureClick(main);
        // Hidden first, then the clipboard changes, then the window is back.
        WaitFor([&] { return !::IsWindowVisible(main) || ::GetClipboardSequenceNumber() != before; }, 5000);
        if (capturing && WaitFor([&] { return ::GetClipboardSequenceNumber() != before && ::IsWindowVisible(main); },
                                 i == 0 ? 5000 : 20000)) {
            ++run.delivered;
        } else {
            capturing = false;  // no picture arrives: no need to wait for the others
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
    run.parts = MemoryParts(program, exe);
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
        Program(std::wstring file, const wchar_t* className, const char* what)
            : exe(std::move(file)), windowClass(className), name(what) {}
        std::wstring exe;
        const wchar_t* windowClass;
        const char* name;
        std::size_t idle = 0;
        Parts idleParts;
        CaptureRun run;
        std::vector<double> times;
    };
    std::vector<Program> programs{Program(floor, kFloorClass, "bare floor"),
                                  Program(kestrel, kestrel::ids::fmMain::kWindowClass, "Kestrel")};
    if (!themed.empty()) programs.emplace_back(themed, kFloorClass, "themed floor");
    for (auto& program : programs) {
        { Running warm(program.exe, program.windowClass); }
        Running running(program.exe, program.windowClass);
        ::Sleep(2000);
        program.idle = running.PrivateBytes();
        program.idleParts = MemoryParts(running, program.exe);
    }
    for (auto& program : programs) program.run = Captures(program.exe, program.windowClass, captures);

    const Program& base = programs[0];
    const Program& main = programs[1];
    const Program& fair = programs.size() > 2 ? programs[2] : programs[0];
    auto row = [&](const std::string& measure, std::size_t against, std::size_t value, const char* target) {
        std::printf("| %s %s | %s | %s | %s | %s |\n", bits, measure.c_str(), Kb(double(against)).c_str(),
                    Kb(double(value)).c_str(), SignedKb(double(value) - double(against)).c_str(), target);
    };
    row("private bytes at idle after start", base.idle, main.idle, "");
    if (programs.size() > 2) {
        row("private bytes at idle after start; floor with one themed button", fair.idle, main.idle, "at most +512 KB");
    }
    for (const Program* against : {&base, &fair}) {
        if (against == &fair && programs.size() < 3) break;
        const std::string floorName = against == &base ? "bare floor" : "themed floor";
        const std::string counts = std::to_string(captures) + " captures (Kestrel " +
                                   std::to_string(main.run.delivered) + ", " + floorName + " " +
                                   std::to_string(against->run.delivered) + " reached the clipboard)";
        row("private bytes after " + counts + ", the last picture still on the clipboard; " + floorName +
                " after the same captures",
            against->run.holdingPicture, main.run.holdingPicture, "");
        row("private bytes after " + std::to_string(captures) + " captures, clipboard emptied by another program; " +
                floorName + " after the same captures",
            against->run.clipboardEmptied, main.run.clipboardEmptied, against == &fair ? "at most +1024 KB" : "");
    }

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
    timeRow(base, "", "");
    if (programs.size() > 2) timeRow(fair, "; floor with one themed button", "at most x1.1");

    // Where the memory is: idle, and after the captures with the clipboard emptied.
    std::printf(
        "\n| Resident private memory (KB) | %s idle | Kestrel idle | Kestrel against %s, idle | %s after "
        "captures | Kestrel after captures | Kestrel against %s, after captures |\n",
        fair.name, fair.name, fair.name, fair.name);
    std::printf("|---|---|---|---|---|---|---|\n");
    auto partRow = [&](const std::string& name, std::size_t a, std::size_t b, std::size_t c, std::size_t d) {
        std::printf("| %s | %.0f | %.0f | %+.0f | %.0f | %.0f | %+.0f |\n", name.c_str(), a / 1024.0, b / 1024.0,
                    (double(b) - double(a)) / 1024.0, c / 1024.0, d / 1024.0, (double(d) - double(c)) / 1024.0);
    };
    auto part = [](const Parts& parts, const std::string& name) -> std::size_t {
        const auto found = parts.find(name);
        return found == parts.end() ? 0 : found->second;
    };
    for (const char* name : {kUnixHeap, kUnixOther, kWindowsPrivate}) {
        partRow(name, part(fair.idleParts, name), part(main.idleParts, name), part(fair.run.parts, name),
                part(main.run.parts, name));
    }
    partRow("private pages of program files and DLLs, all", Sum(fair.idleParts, true), Sum(main.idleParts, true),
            Sum(fair.run.parts, true), Sum(main.run.parts, true));
    // The files whose share differs by 8 KB or more, one row each.
    std::map<std::string, bool> names;
    for (const Parts* parts : {&fair.idleParts, &main.idleParts, &fair.run.parts, &main.run.parts}) {
        for (const auto& entry : *parts) {
            if (entry.first.rfind(kImagePrefix, 0) == 0) names[entry.first] = true;
        }
    }
    for (const auto& entry : names) {
        const std::string& name = entry.first;
        const double idleDiff = double(part(main.idleParts, name)) - double(part(fair.idleParts, name));
        const double runDiff = double(part(main.run.parts, name)) - double(part(fair.run.parts, name));
        if (std::abs(idleDiff) < 8 * 1024 && std::abs(runDiff) < 8 * 1024) continue;
        partRow("&nbsp;&nbsp;" + name, part(fair.idleParts, name), part(main.idleParts, name),
                part(fair.run.parts, name), part(main.run.parts, name));
    }
    partRow("all (smaps Anonymous)", Sum(fair.idleParts, true) + Sum(fair.idleParts, false),
            Sum(main.idleParts, true) + Sum(main.idleParts, false),
            Sum(fair.run.parts, true) + Sum(fair.run.parts, false),
            Sum(main.run.parts, true) + Sum(main.run.parts, false));
    return 0;
}
