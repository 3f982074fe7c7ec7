// LeadingInteger and ParseIntervalText read any text as the C library's
// strtoll reads it: leading white space, an optional sign, then decimal digits
// up to the first other character (a NUL among them). LeadingInteger holds a
// number beyond 32 bits at plus or minus 2^32; ParseIntervalText refuses
// anything that does not fit in 32 bits.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "core/program.h"
#include "core/schedule.h"
#include "fuzz_support.h"

using namespace fuzzsupport;

namespace {

// Nothing when there are no digits; a number beyond long long is held at its
// end, which is beyond 32 bits all the same.
std::optional<long long> ReferenceReading(const std::string& text) {
    const char* const start = text.c_str();  // strtoll stops at the first NUL too
    char* end = nullptr;
    const long long value = std::strtoll(start, &end, 10);
    if (end == start) return std::nullopt;
    return value;
}

std::string Shown(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : "nothing";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<long long> reference = ReferenceReading(text);

    constexpr long long Held = 1LL << 32;
    std::optional<std::int64_t> leading;
    if (reference) leading = std::max(-Held, std::min(*reference, Held));
    if (LeadingInteger(text) != leading)
        BrokenPromise("LeadingInteger(\"" + Escaped(text) + "\") gave " + Shown(LeadingInteger(text)) +
                      ", expected " + Shown(leading));

    using Limits = std::numeric_limits<std::int32_t>;
    std::optional<std::int64_t> interval;
    if (reference && *reference >= Limits::min() && *reference <= Limits::max()) interval = *reference;
    const std::optional<std::int32_t> parsed = ParseIntervalText(text);
    const std::optional<std::int64_t> widened = parsed ? std::optional<std::int64_t>(*parsed) : std::nullopt;
    if (widened != interval)
        BrokenPromise("ParseIntervalText(\"" + Escaped(text) + "\") gave " + Shown(widened) + ", expected " +
                      Shown(interval));
    return 0;
}
