// The default printer: one document of one page per capture.
#pragma once
#include "toolkit/win.h"

#include <ole2.h>
#include <ocidl.h>

#include <cstdint>

namespace kestrel {

class Printer {
public:
    Printer();
    ~Printer();  // aborts a document that was started but not ended
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // 1 portrait, 2 landscape; takes effect for the page that starts next.
    void SetOrientation(std::int16_t orientation);
    float ScaleWidth();   // printable width in the current scale unit
    float ScaleHeight();  // printable height in the current scale unit
    std::int16_t ScaleMode();
    float ScaleX(float length, std::int16_t fromUnit, std::int16_t toUnit);
    float ScaleY(float length, std::int16_t fromUnit, std::int16_t toUnit);
    // Stretches the picture onto the page at (x, y) with that size, in the current scale unit.
    void PaintPicture(IPictureDisp* picture, float x, float y, double width, double height);
    // Ends the document: the page goes to the printer as one job.
    void EndDoc();
    // Abandons the document: nothing reaches the queue.
    void KillDoc() noexcept;
};

}  // namespace kestrel
