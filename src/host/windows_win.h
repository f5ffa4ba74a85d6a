#pragma once

#include <windows.h>

// HostServices has a DeleteFile of its own; Windows' is called by its wide name, DeleteFileW.
#undef DeleteFile
