// Stands in for net.exe, cmd.exe or rundll32.exe beside the programs.
#include "tools/planted/marker.h"

int main() {
    LeaveMarker(NULL);
    return 0;
}
