#include "toolkit/printer.h"

#include "toolkit/run_time_error.h"

namespace kestrel {

Printer::Printer() = default;
Printer::~Printer() = default;
void Printer::SetOrientation(std::int16_t) {}
float Printer::ScaleWidth() { return 0; }
float Printer::ScaleHeight() { return 0; }
std::int16_t Printer::ScaleMode() { return 1; }
float Printer::ScaleX(float length, std::int16_t, std::int16_t) { return length; }
float Printer::ScaleY(float length, std::int16_t, std::int16_t) { return length; }
void Printer::PaintPicture(IPictureDisp*, float, float, double, double) { throw RunTimeError(482, "Printer error"); }
void Printer::EndDoc() {}
void Printer::KillDoc() noexcept {}

}  // namespace kestrel
