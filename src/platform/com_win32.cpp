#include "platform/com_win32.h"

#include <array>
#include <string>

namespace platform {

namespace {

// Windows 7 without the update that brought the search flags refuses them;
// there the full path does it.
HMODULE LoadOle32() {
    HMODULE module = LoadLibraryExA("ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    std::array<char, MAX_PATH> system{};
    const UINT length = GetSystemDirectoryA(system.data(), static_cast<UINT>(system.size()));
    if (length == 0 || length >= system.size()) return nullptr;
    return LoadLibraryExA((std::string(system.data(), length) + "\\ole32.dll").c_str(), nullptr, 0);
}

// A function of ole32 by name, of the type `Function`; null when missing.
template <class Function>
Function Ole32Function(const char* name) {
    static const HMODULE ole32 = LoadOle32();
    if (ole32 == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(ole32, name)));
}

using Initialize = HRESULT(WINAPI*)(void*, DWORD);
using Uninitialize = void(WINAPI*)();
using CreateInstance = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
using FreeMemory = void(WINAPI*)(void*);

}  // namespace

ComApartment::ComApartment() {
    const auto initialize = Ole32Function<Initialize>("CoInitializeEx");
    if (initialize == nullptr) return;
    const HRESULT result = initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    initialized = SUCCEEDED(result);
    // A thread already in another kind of apartment can still use COM.
    ready = initialized || result == RPC_E_CHANGED_MODE;
}

ComApartment::~ComApartment() {
    if (!initialized) return;
    if (const auto uninitialize = Ole32Function<Uninitialize>("CoUninitialize")) uninitialize();
}

HRESULT CreateComObject(REFCLSID type, REFIID kind, void** object) {
    *object = nullptr;
    const auto create = Ole32Function<CreateInstance>("CoCreateInstance");
    if (create == nullptr) return E_FAIL;
    return create(type, nullptr, CLSCTX_INPROC_SERVER, kind, object);
}

void FreeComMemory(void* memory) {
    if (memory == nullptr) return;
    if (const auto free = Ole32Function<FreeMemory>("CoTaskMemFree")) free(memory);
}

}  // namespace platform
