#include "common/ports.h"

const Port kPorts[PORT_COUNT] = {{"COM1", 1000},         {"COM2", 1001}, {"COM3", 1002},
                                 {"COM4", 1003},         {"LPT1", 1004}, {"LPT2", 1005},
                                 {"USB", PORT_VALUE_USB}};

int PortValue(int index) {
    return index >= 0 && index < PORT_COUNT ? kPorts[index].value : -1;
}

std::string SpoolerPortName(int portValue) {
    for (const Port &port : kPorts)
        if (port.value == portValue && port.value != PORT_VALUE_USB)
            return std::string(port.name) + ":";
    return "";
}
