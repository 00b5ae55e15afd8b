// libstdc++'s default terminate handler writes the type of the uncaught exception to stderr,
// which a windowed program does not have, and for that it links the whole C++ name demangler
// (46 KB) into the program file. This definition takes its place at link time. The program
// reports its own errors (app::ReportFatalError); this runs only when an exception escapes all of
// that, and then ends the program the same way the default handler does after its message.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
