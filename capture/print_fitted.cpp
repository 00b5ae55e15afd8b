// Fitted printing on the toolkit's default printer: the fit itself is the portable rule in
// capture/page_fit.h; this file hands it the printer and the picture.
#include "capture/print_fitted.h"

#include "capture/page_fit.h"
#include "toolkit/handles.h"
#include "toolkit/printer.h"
#include "toolkit/run_time_error.h"

#include <string>

namespace kestrel {
namespace {

class DefaultPrinterFit final : public FittedPrinter {
public:
    DefaultPrinterFit(Printer& printer, IPictureDisp* picture) : printer_(printer), picture_(picture) {}

    void SetOrientation(std::int16_t orientation) override { printer_.SetOrientation(orientation); }
    float PrintableWidth() override { return printer_.ScaleWidth(); }
    float PrintableHeight() override { return printer_.ScaleHeight(); }
    std::int16_t ScaleUnit() override { return printer_.ScaleMode(); }
    float ConvertX(float length, std::int16_t fromUnit, std::int16_t toUnit) override {
        return printer_.ScaleX(length, fromUnit, toUnit);
    }
    float ConvertY(float length, std::int16_t fromUnit, std::int16_t toUnit) override {
        return printer_.ScaleY(length, fromUnit, toUnit);
    }
    // The size may be enormous but finite (a huge percent); the printer turns anything beyond
    // its device space into an overflow error before it draws or starts a document.
    void DrawPicture(float x, float y, double width, double height) override {
        printer_.PaintPicture(picture_, x, y, width, height);
    }

private:
    Printer& printer_;
    IPictureDisp* picture_;
};

struct HimetricSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

HimetricSize PictureSize(IPictureDisp* picture) {
    ComPtr<IPicture> source;
    if (!picture || FAILED(picture->QueryInterface(IID_IPicture, reinterpret_cast<void**>(source.put()))) || !source) {
        throw InvalidPictureError();
    }
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (FAILED(source->get_Width(&width)) || FAILED(source->get_Height(&height))) {
        throw InvalidPictureError();
    }
    return {static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
}

// UTF-8 rather than the ANSI code page: its best-fit mapping would turn a full-width "Ｐ" into
// "P", and only the exact text "P" means portrait.
std::string ExactBytes(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                              nullptr);
    }
    return bytes;
}

}  // namespace

void PrintPictureFitted(Printer& printer, IPictureDisp* picture, const std::wstring& orientation, float percent) {
    // The size factor comes first: a negative percent fails before anything else is touched.
    PrintSizeFactor(percent);
    const HimetricSize size = PictureSize(picture);
    DefaultPrinterFit fit(printer, picture);
    PrintPictureFitted(fit, size.width, size.height, ExactBytes(orientation), percent);
}

}  // namespace kestrel
