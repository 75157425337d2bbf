// The owners of the Win32 handles the tools open (see UniqueHandle.h): kernel objects (files,
// pipes, processes, events, mutexes), registry keys, service manager handles and windows.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    // Some creators answer a failure with INVALID_HANDLE_VALUE, others with null.
    static bool Valid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
using CKernelHandle = CUniqueHandle<KernelHandleTraits>;

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static bool Valid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { RegCloseKey(handle); }
};
using CRegistryKey = CUniqueHandle<RegistryKeyTraits>;

struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle Empty() { return nullptr; }
    static bool Valid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { CloseServiceHandle(handle); }
};
using CServiceHandle = CUniqueHandle<ServiceHandleTraits>;

struct WindowTraits {
    using Handle = HWND;
    static Handle Empty() { return nullptr; }
    static bool Valid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { DestroyWindow(handle); }
};
using CWindow = CUniqueHandle<WindowTraits>;
