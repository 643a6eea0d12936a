// Whether anything of the package is left on the machine besides its printer driver.
#pragma once
#include "common/step_host.h"

// True when a trace of the package other than the driver is present: the print processor, the
// language monitor, an OEM INF that lists the model, a tagged form, or one of the product's files
// where the removal deletes them. An installation or a removal ended half way leaves these
// without the driver. Traces the first one it finds.
bool PackageTraceExist(const StepHost &host);
