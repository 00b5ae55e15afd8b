#include "toolkit/printer.h"

#include <olectl.h>
#include <winspool.h>

#include "toolkit/application.h"
#include "toolkit/handle_cast.h"
#include "toolkit/handles.h"
#include "toolkit/run_time_error.h"
#include "toolkit/scale_units.h"
#include "toolkit/system_function.h"
#include "toolkit/text.h"

#include <cstring>
#include <vector>

namespace kestrel {
namespace {

std::string Quoted(const std::wstring& name) { return "\"" + Narrow(name) + "\""; }

// The spooler's DLL is no KnownDLL: imported, it would be looked for beside the program first.
template <typename Fn>
Fn SpoolerFunction(const char* name) {
    if (auto fn = SystemFunction<Fn>(L"winspool.drv", name)) return fn;
    throw PrinterError("The print spooler cannot be reached.");
}

std::wstring DefaultPrinterName() {
    const auto getDefaultPrinter = SpoolerFunction<decltype(&::GetDefaultPrinterW)>("GetDefaultPrinterW");
    DWORD size = 0;
    getDefaultPrinter(nullptr, &size);
    if (size > 0) {
        std::wstring name(size, L'\0');
        if (getDefaultPrinter(name.data(), &size)) {
            name.resize(std::wcslen(name.c_str()));
            if (!name.empty()) return name;
        }
    }
    throw PrinterError("No default printer is set up.");
}

// Only ever holds a handle the spooler gave out, so its DLL is loaded by then.
void ClosePrinterHandle(HANDLE h) noexcept {
    if (auto close = SystemFunction<decltype(&::ClosePrinter)>(L"winspool.drv", "ClosePrinter")) close(h);
}
using UniquePrinter = UniqueHandle<HANDLE, ClosePrinterHandle>;

// Empty when the printer cannot be reached.
UniquePrinter OpenNamedPrinter(const std::wstring& name) {
    SpoolerFunction<decltype(&::ClosePrinter)>("ClosePrinter");  // nothing is opened that could not be closed
    const auto open = SpoolerFunction<decltype(&::OpenPrinterW)>("OpenPrinterW");
    HANDLE handle = nullptr;
    if (!open(const_cast<wchar_t*>(name.c_str()), &handle, nullptr)) return {};
    return UniquePrinter(handle);
}

// The printer's own default settings, with the orientation (when one was set) merged in by the
// driver, which also checks that the printer supports it.
std::vector<BYTE> DeviceSettings(const std::wstring& name, std::int16_t orientation) {
    const UniquePrinter printer = OpenNamedPrinter(name);
    if (!printer) throw PrinterError("The default printer " + Quoted(name) + " cannot be reached.");
    const auto documentProperties = SpoolerFunction<decltype(&::DocumentPropertiesW)>("DocumentPropertiesW");
    wchar_t* device = const_cast<wchar_t*>(name.c_str());
    const LONG size = documentProperties(nullptr, printer.get(), device, nullptr, nullptr, 0);
    if (size < static_cast<LONG>(sizeof(DEVMODEW))) {
        throw PrinterError("The settings of the printer " + Quoted(name) + " cannot be read.");
    }
    std::vector<BYTE> settings(static_cast<size_t>(size));
    auto* devMode = reinterpret_cast<DEVMODEW*>(settings.data());
    if (documentProperties(nullptr, printer.get(), device, devMode, nullptr, DM_OUT_BUFFER) != IDOK) {
        throw PrinterError("The settings of the printer " + Quoted(name) + " cannot be read.");
    }
    if (orientation != 0) {
        devMode->dmOrientation = orientation;
        devMode->dmFields |= DM_ORIENTATION;
        if (documentProperties(nullptr, printer.get(), device, devMode, devMode, DM_IN_BUFFER | DM_OUT_BUFFER) !=
            IDOK) {
            throw PrinterError("The printer " + Quoted(name) + " cannot take the page orientation.");
        }
    }
    return settings;
}

// A bitmap picture as a 24-bit device-independent bitmap. Capture on a palette display leaves
// palette cells in the bitmap: they mean colours only through the picture's own palette, so the
// bitmap is copied out of a DC in which that palette is realised. GetDIBits would be the direct
// way, but Wine's ignores the palette for such bitmaps and hands back the wrong colours.
struct PackedDib {
    BITMAPINFO info{};
    std::vector<BYTE> bits;
};

PackedDib ReadBitmap(HBITMAP bitmap, HPALETTE palette) {
    BITMAP description{};
    if (!bitmap || ::GetObjectW(bitmap, sizeof description, &description) != sizeof description) {
        throw InvalidPictureError();
    }
    PackedDib dib;
    BITMAPINFOHEADER& header = dib.info.bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = description.bmWidth;
    header.biHeight = description.bmHeight;  // bottom-up: every driver takes that
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(description.bmWidth) * 3 + 3) & ~static_cast<size_t>(3);
    const size_t size = stride * static_cast<size_t>(description.bmHeight);
    if (size == 0) return dib;

    void* sectionBits = nullptr;
    UniqueBitmap section(::CreateDIBSection(nullptr, &dib.info, DIB_RGB_COLORS, &sectionBits, nullptr, 0));
    UniqueDc source(::CreateCompatibleDC(nullptr));
    UniqueDc target(::CreateCompatibleDC(nullptr));
    if (!section || !sectionBits || !source || !target) throw InvalidPictureError();
    HPALETTE previousPalette = nullptr;
    if (palette) {
        previousPalette = ::SelectPalette(source.get(), palette, FALSE);
        ::RealizePalette(source.get());
    }
    bool copied = false;
    {
        SelectionScope sourceBitmap(source.get(), bitmap);
        SelectionScope targetBitmap(target.get(), section.get());
        // A bitmap still selected into another DC cannot be selected here.
        copied = ::GetCurrentObject(source.get(), OBJ_BITMAP) == bitmap &&
                 ::BitBlt(target.get(), 0, 0, description.bmWidth, description.bmHeight, source.get(), 0, 0, SRCCOPY) !=
                     FALSE;
        ::GdiFlush();
    }
    if (previousPalette) ::SelectPalette(source.get(), previousPalette, FALSE);
    if (!copied) throw InvalidPictureError();
    const auto* first = static_cast<const BYTE*>(sectionBits);
    dib.bits.assign(first, first + size);
    return dib;
}

}  // namespace

Printer::Printer() noexcept = default;

Printer::~Printer() { KillDoc(); }

void Printer::SetOrientation(std::int16_t orientation) {
    if (orientation != DMORIENT_PORTRAIT && orientation != DMORIENT_LANDSCAPE) throw InvalidCallError();
    if (orientation == orientation_) return;
    orientation_ = orientation;
    // The device context was made for the old orientation; the next use makes a new one. A page
    // in progress keeps its orientation.
    if (!docStarted_) ReleaseDevice();
}

void Printer::SetScaleMode(std::int16_t unit) {
    scale::TwipsPerUnit(unit, scale::Axis::kHorizontal, 1.0);  // rejects unknown codes
    scaleMode_ = unit;
}

float Printer::ScaleWidth() {
    OpenDevice();
    return scale::ConvertLength(static_cast<float>(::GetDeviceCaps(dc_.get(), HORZRES)), scale::kPixels, scaleMode_,
                                scale::Axis::kHorizontal, DotsPerInchX());
}

float Printer::ScaleHeight() {
    OpenDevice();
    return scale::ConvertLength(static_cast<float>(::GetDeviceCaps(dc_.get(), VERTRES)), scale::kPixels, scaleMode_,
                                scale::Axis::kVertical, DotsPerInchY());
}

float Printer::ScaleX(float length, std::int16_t fromUnit, std::int16_t toUnit) {
    // Only pixels depend on the device; other units convert without a printer.
    const bool pixels = fromUnit == scale::kPixels || toUnit == scale::kPixels;
    return scale::ConvertLength(length, fromUnit, toUnit, scale::Axis::kHorizontal, pixels ? DotsPerInchX() : 0.0);
}

float Printer::ScaleY(float length, std::int16_t fromUnit, std::int16_t toUnit) {
    const bool pixels = fromUnit == scale::kPixels || toUnit == scale::kPixels;
    return scale::ConvertLength(length, fromUnit, toUnit, scale::Axis::kVertical, pixels ? DotsPerInchY() : 0.0);
}

void Printer::PaintPicture(IPictureDisp* picture, float x, float y, double width, double height) {
    if (!picture) throw InvalidPictureError();
    ComPtr<IPicture> source;
    if (FAILED(picture->QueryInterface(IID_IPicture, reinterpret_cast<void**>(source.put()))) || !source) {
        throw InvalidPictureError();
    }
    SHORT type = PICTYPE_UNINITIALIZED;
    source->get_Type(&type);
    if (type == PICTYPE_UNINITIALIZED || type == PICTYPE_NONE) throw InvalidPictureError();

    // Everything that can fail is done before the document starts, so that a failure leaves
    // nothing in the queue.
    OpenDevice();
    const scale::DeviceSpan across =
        scale::ToDeviceSpan(x, width, scaleMode_, scale::Axis::kHorizontal, DotsPerInchX());
    const scale::DeviceSpan down = scale::ToDeviceSpan(y, height, scaleMode_, scale::Axis::kVertical, DotsPerInchY());

    PackedDib dib;
    if (type == PICTYPE_BITMAP) {
        OLE_HANDLE bitmap = 0;
        OLE_HANDLE palette = 0;
        source->get_Handle(&bitmap);
        source->get_hPal(&palette);
        dib = ReadBitmap(HandleFromBits<HBITMAP>(bitmap), HandleFromBits<HPALETTE>(palette));
    }

    // A drawing of no size would only leave the page blank: no document, nothing for the queue.
    if (across.length == 0 || down.length == 0) return;
    StartDocument();

    bool drawn = false;
    if (type == PICTYPE_BITMAP) {
        const BITMAPINFOHEADER& header = dib.info.bmiHeader;
        if (header.biWidth == 0 || header.biHeight == 0) return;
        ::SetStretchBltMode(dc_.get(), COLORONCOLOR);
        const int lines =
            ::StretchDIBits(dc_.get(), across.position, down.position, across.length, down.length, 0, 0, header.biWidth,
                            header.biHeight, dib.bits.data(), &dib.info, DIB_RGB_COLORS, SRCCOPY);
        drawn = lines != 0 && lines != static_cast<int>(GDI_ERROR);
    } else {
        // Icons and metafiles draw themselves; their HIMETRIC source rectangle runs bottom-up.
        OLE_XSIZE_HIMETRIC sourceWidth = 0;
        OLE_YSIZE_HIMETRIC sourceHeight = 0;
        source->get_Width(&sourceWidth);
        source->get_Height(&sourceHeight);
        drawn = SUCCEEDED(source->Render(dc_.get(), across.position, down.position, across.length, down.length, 0,
                                         sourceHeight, sourceWidth, -sourceHeight, nullptr));
    }
    if (!drawn) throw PrinterError("The picture could not be drawn for the printer " + Quoted(name_) + ".");
}

void Printer::EndDoc() {
    if (!docStarted_) {
        ReleaseDevice();
        return;
    }
    docStarted_ = false;
    if (::EndPage(dc_.get()) <= 0) {
        ::AbortDoc(dc_.get());
        ReleaseDevice();
        throw PrinterError("The page could not be sent to the printer " + Quoted(name_) + ".");
    }
    const bool sent = ::EndDoc(dc_.get()) > 0;
    ReleaseDevice();
    if (!sent) throw PrinterError("The page could not be sent to the printer " + Quoted(name_) + ".");
}

void Printer::KillDoc() noexcept {
    if (docStarted_) {
        ::AbortDoc(dc_.get());
        docStarted_ = false;
    }
    ReleaseDevice();
}

void Printer::OpenDevice() {
    if (dc_) return;
    name_ = DefaultPrinterName();
    const std::vector<BYTE> settings = DeviceSettings(name_, orientation_);
    dc_.reset(::CreateDCW(L"WINSPOOL", name_.c_str(), nullptr, reinterpret_cast<const DEVMODEW*>(settings.data())));
    if (!dc_) throw PrinterError("The default printer " + Quoted(name_) + " cannot be used.");
}

void Printer::ReleaseDevice() noexcept { dc_.reset(); }

void Printer::StartDocument() {
    if (docStarted_) return;
    DOCINFOW document{};
    document.cbSize = sizeof document;
    document.lpszDocName = app::ProductName().c_str();
    if (::StartDocW(dc_.get(), &document) <= 0) {
        throw PrinterError("The printer " + Quoted(name_) + " did not accept the print job.");
    }
    docStarted_ = true;
    if (::StartPage(dc_.get()) <= 0) {
        ::AbortDoc(dc_.get());
        docStarted_ = false;
        throw PrinterError("The printer " + Quoted(name_) + " did not accept the print job.");
    }
}

double Printer::DotsPerInchX() {
    OpenDevice();
    return ::GetDeviceCaps(dc_.get(), LOGPIXELSX);
}

double Printer::DotsPerInchY() {
    OpenDevice();
    return ::GetDeviceCaps(dc_.get(), LOGPIXELSY);
}

}  // namespace kestrel
