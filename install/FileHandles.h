// Owners of the file system's handles, whose failure value is INVALID_HANDLE_VALUE.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

using TFileHandle = TUniqueHandle<HANDLE, CloseHandle, -1>;
using TFindHandle = TUniqueHandle<HANDLE, FindClose, -1>;
