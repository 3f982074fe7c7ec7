// A C stream closed however its user's function ends.
#pragma once

#include <cstdio>
#include <memory>

struct FileCloser {
    // A failed close here has no one to tell; whoever must know closes and checks itself.
    void operator()(std::FILE* file) const { static_cast<void>(std::fclose(file)); }
};
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;
