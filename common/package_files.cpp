#include "common/package_files.h"

#include <iterator>

#include "common/app_context.h"
#include "common/profile.h"

const char *const kClassFiles[4] = {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL"};
const char kStandardNames[] = "STDNAMES.GPD";

std::vector<std::string> StagedProductFiles() {
    const ProgramSettings &program = CurrentProgram();
    return {LoadProfileString(IDS_DRIVER_FILE), LoadProfileString(IDS_UI_FILE),
            LoadProfileString(IDS_RENDER_FILE), LoadProfileString(program.settingsFileId),
            LoadProfileString(program.descriptionFileId)};
}

std::vector<std::string> StagedFiles() {
    std::vector<std::string> names(std::begin(kClassFiles), std::end(kClassFiles));
    std::vector<std::string> product = StagedProductFiles();
    names.insert(names.end(), product.begin(), product.end());
    names.push_back(kStandardNames);
    return names;
}
