// Kestrel: one click grabs the screen or the foreground window and sends it to the clipboard or,
// fitted to the page, to the default printer.
#include "app/fmMain.h"
#include "app/running_instance.h"
#include "toolkit/application.h"
#include "toolkit/system_function.h"

#include <ole2.h>

#include <exception>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything loads a DLL on the program's behalf: none may come from the program's folder.
    kestrel::RestrictDllSearchToSystemFolder();
    // One Kestrel per session: two would each write all four settings at Exit, the later undoing
    // the user's change made in the other.
    const kestrel::RunningMarks running = kestrel::MarkRunning();
    if (running.anotherInSession) {
        kestrel::BringRunningKestrelForward();
        return 0;
    }
    // Picture objects and the clipboard need OLE on this thread.
    if (FAILED(::OleInitialize(nullptr))) return 1;
    try {
        kestrel::fmMain main;
        main.Load();
        main.PrepareCapture();
        main.PrepareTray();
        main.PrepareKeys();
        main.Show();
        return kestrel::app::Run();
    } catch (const std::exception& error) {
        kestrel::app::ReportFatalError(error);
    } catch (...) {
        kestrel::app::ReportFatalError();
    }
}
