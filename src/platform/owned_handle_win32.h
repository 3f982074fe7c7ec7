// A kernel handle closed with the object; null and INVALID_HANDLE_VALUE
// both mean none.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace platform {

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using OwnedHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

}  // namespace platform
