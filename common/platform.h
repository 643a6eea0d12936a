// Which Windows release the program runs on, and whether under WOW64.
#pragma once

// OS codes: 2000 Windows 95 ... 2010 Windows 7 and every release not listed.
const int OS_WIN95 = 2000;
const int OS_WIN98 = 2001;
const int OS_WINME = 2002;
const int OS_WINNT4 = 2003;
const int OS_WIN2000 = 2004;
const int OS_WINXP = 2005;
const int OS_WIN2003 = 2006;
const int OS_VISTA = 2007;
const int OS_WIN2008 = 2008;
const int OS_WIN2008R2 = 2009;
const int OS_WIN7_OR_OTHER = 2010;

int CheckOS();

// The environment of the system's drivers, monitors and processors: "Windows x64" under WOW64,
// else "Windows NT x86".
const char *EnvironmentName(int wow64);
// The spooler environment to name in spooler calls: on 64-bit Windows the system's drivers,
// monitors and processors are x64 ones, while the spooler would answer a 32-bit program for its
// own x86 environment; elsewhere NULL, the caller's own.
char *SpoolerEnvironment(int wow64);
int IsWow64();

// The classification alone, from the values GetVersionExA reports.
int ClassifyOS(unsigned platformId, unsigned major, unsigned minor, unsigned productType);
