// COM on Windows: an apartment for the calling thread and owning pointers to
// COM objects. ole32 is loaded from the system folder at the first use, never
// at start-up: imported, it and the libraries it needs would load at every
// start of the launcher.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace platform {

// A single-threaded apartment on the calling thread for as long as it lives;
// one already there is kept as it is.
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool IsReady() const { return ready; }

private:
    bool initialized = false;
    bool ready = false;
};

// CoCreateInstance for an in-process server; E_NOINTERFACE style failures
// come back as they are, and a missing ole32 as E_FAIL.
HRESULT CreateComObject(REFCLSID type, REFIID kind, void** object);
// CoTaskMemFree, for what the shell hands back in COM memory.
void FreeComMemory(void* memory);

// Owns one reference to a COM object.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : object(std::exchange(other.object, nullptr)) {}

    Interface* operator->() const { return object; }
    Interface* Get() const { return object; }
    explicit operator bool() const { return object != nullptr; }
    // For a call that hands out a new reference; the old one is released.
    Interface** Out() {
        Reset();
        return &object;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    void Reset() {
        if (object != nullptr) std::exchange(object, nullptr)->Release();
    }

private:
    Interface* object = nullptr;
};

// The object of class `type` behind `Interface`, or an empty pointer.
template <class Interface>
ComPtr<Interface> CreateComObject(REFCLSID type, REFIID kind) {
    ComPtr<Interface> object;
    if (FAILED(CreateComObject(type, kind, object.OutVoid()))) object.Reset();
    return object;
}

}  // namespace platform
