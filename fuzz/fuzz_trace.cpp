// Trace lines with arbitrary texts in every conversion the programs use.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "common/trace_log.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = (FreshMachine(), true);
    (void)ready;
    std::string text(reinterpret_cast<const char *>(data), size);
    std::wstring wide(text.begin(), text.end());
    TraceLog("FILE SRC : %s", text.c_str());
    TraceLog("DeleteFile Error : %s , (%d)", text.c_str(), int(size));
    TraceLog("fnSetupUninstallOEMInf failed, %ws, %d", wide.c_str(), 5);
    StartTraceLog("\\QMR-640_Installer.txt"); // keep the log from growing without end
    return 0;
}
