// INF text in the INF store, searched and removed by the uninstaller's INF step.
#include <stddef.h>
#include <stdint.h>

#include <winsim.h>
#include <winsim_print.h>

#include <string>

#include "QMR640_Uninstaller/KSTPOS_Uninstaller.h"
#include "common/app_context.h"
#include "common/status.h"
#include "fuzz_support.h"
#include "removal/removal_steps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FreshMachine();
    winsim::PutFile(winsim::InfDirectory() + "\\oem3.inf",
                    std::string(reinterpret_cast<const char *>(data), size));
    winsim::RunProcess(FuzzUninstallerModule(), [] {
        SetCurrentProgram(kUninstallerProgram);
        StatusText status;
        StepHost host = ProgramStepHost(FALSE, 2010, &status, NULL);
        DeleteINFFile(host);
    });
    return 0;
}
