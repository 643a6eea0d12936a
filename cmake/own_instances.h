// Forced into every source of the Windows programs (see CMakeLists.txt). Without the library's
// "extern template" declarations each program instantiates the std::string members it calls
// itself, so the linker keeps only those instead of the library's whole prebuilt string
// object, which also drags in the exception machinery the programs are built without.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
