// The command line with arbitrary bytes, for both programs.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "common/ports.h"
#include "common/switches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string line(reinterpret_cast<const char *>(data), size);
    const char *arguments = CommandArguments(line.c_str());
    if (arguments < line.c_str() || arguments > line.c_str() + strlen(line.c_str()))
        abort();
    for (bool takesPort : {false, true}) {
        Switches switches;
        std::string error;
        bool ok = ParseSwitches(arguments, takesPort, switches, error);
        // A refused line always says why; a port only where /port: is known, and a real one.
        if (ok != error.empty() || switches.portIndex < -1 || switches.portIndex >= PORT_COUNT ||
            (!takesPort && switches.portIndex != -1))
            abort();
    }
    return 0;
}
