// The program's entry on Windows: Tivaro.scr. Sets up COM for the shell, picks the Win32
// backend, shows fatal errors the Windows way, hands the command line (the text after the
// program name) to Main and, where Main returns (the preview), runs the message loop while
// a form is loaded.
#include <exception>
#include <memory>
#include <string>

#include "app/pointer_pictures.h"
#include "app/velkor_b_main.h"
#include "platform/backend.h"
#include "toolkit/forms/application.h"
#include "toolkit/runtime/end.h"
#include "toolkit/runtime/errors.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_backend.h"
#include "platform/win32/win32_fatal.h"

#include <objbase.h>  // after windows.h (win32_backend.h)

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace tivaro;
    // The shell, which opens the link's address, wants a single-threaded apartment.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    rt::SetFatalReporter(&platform::win32::ReportFatalError);
    const std::string command_line =
        platform::win32::Narrow(platform::win32::ArgumentsOf(GetCommandLineW()));
    std::unique_ptr<platform::win32::Win32Backend> backend;
    try {
        backend = std::make_unique<platform::win32::Win32Backend>();
    } catch (const std::exception& e) {
        rt::StandardErrorMessage(e.what());
    }
    platform::SetCurrent(backend.get());
    app::HandOverPointerPictures(backend->Windows());
    // Timers and repaints go on while the system moves the dialog or shows its menu. The
    // hook runs inside the window procedure: an error ends the program there, as it does
    // in the program's own loop.
    backend->SetModalLoopHook(
        [] { rt::EndOnError([] { forms::Application::Get().RunTimersAndPaints(); }); });
    rt::EndOnError([&] { Velkor_B::Main(command_line); });
    rt::EndOnError([] { forms::Application::Get().Run(); });
    rt::EndProgram(0);
}
