// The default printer: one document of one page per capture.
//
// Like the classic toolkit's Printer object it needs no setup: the default printer is looked up
// the first time a measurement or a drawing needs the device, and the document and its page start
// with the first drawing. Lengths are in the current scale unit, twips unless changed. Every
// failure is a RunTimeError whose description tells the user what went wrong.
#pragma once
#include "toolkit/handles.h"
#include "toolkit/win.h"

#include <ole2.h>
#include <ocidl.h>

#include <cstdint>
#include <string>

namespace kestrel {

class Printer {
public:
    Printer() noexcept;
    ~Printer();  // aborts a document that was started but not ended
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // 1 portrait, 2 landscape; takes effect for the page that starts next. Anything else is an
    // invalid call.
    void SetOrientation(std::int16_t orientation);
    float ScaleWidth();   // printable width in the current scale unit
    float ScaleHeight();  // printable height in the current scale unit
    std::int16_t ScaleMode() const noexcept { return scaleMode_; }
    void SetScaleMode(std::int16_t unit);  // a unit code of toolkit/scale_units.h
    float ScaleX(float length, std::int16_t fromUnit, std::int16_t toUnit);
    float ScaleY(float length, std::int16_t fromUnit, std::int16_t toUnit);
    // Stretches the picture onto the page at (x, y) with that size, in the current scale unit;
    // (0, 0) is the top-left corner of the printable area. Starts the document if needed.
    void PaintPicture(IPictureDisp* picture, float x, float y, double width, double height);
    // Whether a drawing has started the document and its page. A drawing of no size on the
    // device starts neither.
    bool PageStarted() const noexcept { return docStarted_; }
    // Ends the document: the page goes to the printer as one job. Without a drawing there is no
    // document and nothing is sent.
    void EndDoc();
    // Abandons the document: nothing reaches the queue.
    void KillDoc() noexcept;

    // The printer's name once it has been looked up (empty before); for messages and tests.
    const std::wstring& DeviceName() const noexcept { return name_; }

private:
    void OpenDevice();  // finds the default printer and makes its device context
    void ReleaseDevice() noexcept;
    void StartDocument();  // document and page, on the first drawing
    double DotsPerInchX();
    double DotsPerInchY();

    std::int16_t orientation_ = 0;  // 0: as the printer's own settings say
    std::int16_t scaleMode_ = 1;    // twips
    std::wstring name_;
    UniqueDc dc_;  // CreateDC: DeleteDC gives it back
    bool docStarted_ = false;
};

}  // namespace kestrel
