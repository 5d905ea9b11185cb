// Any text given to the score parser gets a result and, on failure, a message naming a line;
// a score it accepts can be arranged and turned into an event file.
#include "base/show.h"
#include "render.h"
#include "score.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Score score;
    std::string error;
    if (parseScore(reinterpret_cast<const char*>(data), size, "fuzz", score, error) != 0) {
        if (error.rfind("fuzz:", 0) != 0) std::abort();
        return 0;
    }
    // Arranging touches every pattern and section; keep the work small for long pieces.
    if (score.totalRows <= 64 * showRowsPerBar && score.sections.size() <= 16) eventText(score);
    return 0;
}
