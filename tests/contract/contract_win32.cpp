// The contracts on a real Win32 implementation: prints the failed checks, exits 1 if any.
#include "contract.h"

#include <stdio.h>

int main() {
    char temp[MAX_PATH] = {0};
    GetTempPathA(sizeof temp, temp);
    std::string root = std::string(temp) + "QMR640Contract";
    CreateDirectoryA(root.c_str(), NULL);
    int failures = RunContracts(root);
    RemoveDirectoryA(root.c_str());
    printf("%d failed checks\n", failures);
    return failures == 0 ? 0 : 1;
}
