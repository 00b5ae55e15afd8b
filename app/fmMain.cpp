#include "app/fmMain.h"

#include "app/fmMain_ids.h"
#include "app/running_instance.h"
#include "resources/resource_ids.h"
#include "settings/registry_store.h"
#include "settings/setting_codes.h"
#include "toolkit/application.h"
#include "toolkit/text.h"

#include <array>

namespace kestrel {
namespace {

std::wstring SystemMessage(LSTATUS status) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : L"Error " + Widen(std::to_string(status));
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    return text;
}

}  // namespace

fmMain::fmMain() : Form(ids::fmMain::kWindowClass) {}

fmMain::~fmMain() = default;

Form::Style fmMain::Describe() const {
    Style style;
    style.caption = L"Kestrel";
    style.clientWidthTwips = 3735;
    style.clientHeightTwips = 780;
    style.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;  // fixed single border, no min/max box
    style.start = StartPosition::CentreScreen;
    style.programIcon = true;
    return style;
}

void fmMain::CreateControls() {
    HWND self = hWnd();
    // Created in tab order. Each picture button carries its command's name for screen readers.
    cmdCapture.CreatePicture(*this, self, ids::fmMain::kCmdCapture, IDB_CAPTURE, {120, 120, 615, 585}, L"Capture");
    cmdOptions.CreatePicture(*this, self, ids::fmMain::kCmdOptions, IDB_OPTIONS, {840, 120, 615, 585}, L"Options");
    cmdMinimize.CreatePicture(*this, self, ids::fmMain::kCmdMinimize, IDB_MINIMIZE, {1560, 120, 615, 585}, L"Minimize");
    cmdAbout.CreatePicture(*this, self, ids::fmMain::kCmdAbout, IDB_ABOUT, {2280, 120, 615, 585}, L"About");
    cmdExit.CreatePicture(*this, self, ids::fmMain::kCmdExit, IDB_EXIT, {3000, 120, 615, 585}, L"Exit");
    Picture1.Create(*this, self, ids::fmMain::kPicture1, {1830, 15, 735, 615}, /*visible=*/false);
    txtScope.Create(*this, Picture1.hWnd(), ids::fmMain::kTxtScope, L"", {0, -15, 375, 285}, /*visible=*/false);
    txtDest.Create(*this, Picture1.hWnd(), ids::fmMain::kTxtDest, L"", {360, 15, 375, 285}, false);
    txtOrientation.Create(*this, Picture1.hWnd(), ids::fmMain::kTxtOrientation, L"", {0, 240, 375, 285}, false);
    txtPercent.Create(*this, Picture1.hWnd(), ids::fmMain::kTxtPercent, L"", {360, 240, 375, 285}, false);

    cmdCapture.onClick = [this] { cmdCapture_Click(); };
    cmdOptions.onClick = [this] { cmdOptions_Click(); };
    cmdMinimize.onClick = [this] { cmdMinimize_Click(); };
    cmdAbout.onClick = [this] { cmdAbout_Click(); };
    cmdExit.onClick = [this] { cmdExit_Click(); };

    mnuFile.Create({
        {L"Exit", [this] { mnuExit_Click(); }},
        {L"Restore", [this] { mnuRestore_Click(); }},
        {L"Options", [this] { mnuOptions_Click(); }},
        {L"About", [this] { mnuAbout_Click(); }},
        {L"Capture", [this] { mnuCapture_Click(); }},
    });
}

void fmMain::Form_Load() {
    Picture1.autoSize = true;
    const HKEY root = HKEY_LOCAL_MACHINE;
    std::array<TextBox*, 4> fields{&txtScope, &txtDest, &txtOrientation, &txtPercent};
    for (size_t i = 0; i < fields.size(); ++i) {
        fields[i]->SetText(Widen(RegistryValueText(ReadRegistryValue(root, kSettingsKeyPath, kSettingNames[i]))));
    }
}

void fmMain::cmdExit_Click() {
    if (capture_.running) {
        // Chosen during one of the Capture's yields (from the tray menu, say): ending now would
        // lose the picture the user asked for.
        capture_.exitRequested = true;
        return;
    }
    Exit();
}

void fmMain::Exit() {
    RemoveIcon();
    std::array<TextBox*, 4> fields{&txtScope, &txtDest, &txtOrientation, &txtPercent};
    LSTATUS firstFailure = ERROR_SUCCESS;
    for (size_t i = 0; i < fields.size(); ++i) {
        const LSTATUS status = SaveRegistryValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, kSettingNames[i],
                                                 Narrow(fields[i]->Text()), kRegistryTypeText);
        if (status != ERROR_SUCCESS && firstFailure == ERROR_SUCCESS) firstFailure = status;
    }
    if (firstFailure != ERROR_SUCCESS) {
        app::MsgBox(L"Your settings could not be saved.\n\n" + SystemMessage(firstFailure), MB_OK | MB_ICONINFORMATION,
                    app::ProductName());
    }
    app::EndProgram(0);
}

void fmMain::Form_QueryUnload() { RemoveIcon(); }

void fmMain::mnuExit_Click() { cmdExit.SetValue(true); }
void fmMain::mnuOptions_Click() { cmdOptions.SetValue(true); }
void fmMain::mnuCapture_Click() { cmdCapture.SetValue(true); }

bool fmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == BringForwardMessage()) {
        BringForward();
        result = 0;
        return true;
    }
    return HandleCaptureMessage(message, wParam, lParam, result) ||
           HandleTrayMessage(message, wParam, lParam, result) || HandleKeyMessage(message, wParam, lParam, result);
}

}  // namespace kestrel
