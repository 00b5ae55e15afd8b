// What the Capture command keeps between runs.
#pragma once

namespace kestrel {

struct CaptureState {
    bool running = false;
};

}  // namespace kestrel
