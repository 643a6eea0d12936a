// The setup options file with arbitrary bytes.
#include <stddef.h>
#include <stdint.h>

#include <winsim.h>

#include <string>

#include "QMR640_Installer/options_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FreshMachine();
    winsim::PutFile("C:\\Media\\QMR640_Config.KST",
                    std::string(reinterpret_cast<const char *>(data), size));
    for (const char *key : {"PORTDLG", "PORT"}) {
        char value[256] = {0};
        PortIndexFromSetting(GetDriverInfoFromFile("QMR640", key, value, sizeof value));
    }
    return 0;
}
