// The printer's ports: the one table of their names and values, and the names the spooler and
// printui know them by.
#pragma once
#include <string>

struct Port {
    const char *name; // as /port: and the options file's PORT give it
    int value;        // as the installation sequences take it
};

// In port-index order: the order of /port:'s list, the PORT look-up and the port dialog.
const int PORT_COUNT = 7;
extern const Port kPorts[PORT_COUNT];
const int PORT_INDEX_USB = 6;
const int PORT_VALUE_USB = 1006;

// The value of a port index; -1 for an index out of range.
int PortValue(int index);

// The spooler's port a value stands for, "COM1:" to "LPT2:", as printui's /r takes it too;
// empty for USB, whose port Plug and Play makes, and for a value out of range.
std::string SpoolerPortName(int portValue);
