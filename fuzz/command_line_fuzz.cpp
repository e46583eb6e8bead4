// The command line and its dispatch: Main runs on the whole input against the recording
// backend (GL calls swallowed), and every window it opens is answered at once (a key for
// the saver, a close request for the dialog). Whatever the line, the program ends as the
// mode letter says: the saver for "S" or an empty line, the dialog for "C", a refused
// preview for "P" (no pane exists here), nothing at all for any other line; the pointer
// and the screen-saver flag are always given back.
#include <algorithm>
#include <string>

#include "app/velkor_b.h"
#include "app/velkor_b_main.h"
#include "check.h"
#include "toolkit/runtime/end.h"
#include "toolkit/runtime/errors.h"
#include "platform/testing/recording_backend.h"
#include "saver/velkor_s.h"
#include "tests/unit/gl_recorder.h"

using namespace tivaro;
using platform::Event;
using platform::EventType;
using platform::testing::RecordingBackend;

namespace {

constexpr const char* kSettingsCaption = "Tivaro\xEF\xBC\x9F\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A";

struct Ended {
    int exit_code;
};

bool Opened(const RecordingBackend& backend, const std::string& caption) {
    return std::any_of(backend.windows.begin(), backend.windows.end(),
                       [&](const auto& w) { return w.second.desc.caption == caption; });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    rt::SetEndHandler([](int code) { throw Ended{code}; });
    rt::SetFatalReporter([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line = fuzz::AsText(data, size);
    RecordingBackend backend;
    render::testing::GlRecorder gl{render::testing::GlRecorder::Mode::Discard};
    backend.on_poll = [](RecordingBackend& b) {
        for (const auto& [id, w] : b.windows) {
            if (w.destroyed || w.desc.kind == platform::WindowKind::Child) continue;
            if (w.desc.caption == "Tivaro_Main") b.Queue(Event{EventType::KeyDown, id});
            if (w.desc.caption == kSettingsCaption) b.Queue(Event{EventType::CloseRequest, id});
        }
    };
    Velkor_B::FragmentCount = 0;
    bool ended = false;
    int exit_code = -1;
    bool overflow = false;
    try {
        Velkor_B::Main(line);
    } catch (const Ended& e) {
        ended = true;
        exit_code = e.exit_code;
    } catch (const rt::RuntimeError& e) {
        overflow = e.number() == rt::ErrorNumber::Overflow;
        TIVARO_FUZZ_EXPECT(overflow, line);
    }
    saver::Velkor_S::Instance().Timer1.SetEnabled(false);

    const std::string mode = Velkor_B::ModeLetter(line);
    TIVARO_FUZZ_EXPECT(ended || (overflow && mode == "P"), line);
    TIVARO_FUZZ_EXPECT(backend.cursor_hidden == 0 && !backend.screen_saver_running, line);
    if (mode == "P") {
        TIVARO_FUZZ_EXPECT(overflow || exit_code != 0, line);
        TIVARO_FUZZ_EXPECT(!Opened(backend, "Tivaro_Main"), line);
    } else if (mode == "C") {
        TIVARO_FUZZ_EXPECT(exit_code == 0 && Opened(backend, kSettingsCaption), line);
    } else if (mode == "S" || line.empty()) {
        TIVARO_FUZZ_EXPECT(exit_code == 0 && Opened(backend, "Tivaro_Main"), line);
    } else {
        TIVARO_FUZZ_EXPECT(exit_code == 0 && backend.windows.empty(), line);
    }
    return 0;
}
