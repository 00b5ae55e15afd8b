#include "capture/Module1.h"
#include "toolkit/printer.h"
#include "toolkit/run_time_error.h"

namespace kestrel {

void PrintPictureFitted(Printer&, IPictureDisp*, const std::wstring&, float) {
    throw RunTimeError(482, "Printer error");
}

}  // namespace kestrel
