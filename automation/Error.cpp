#include "Error.h"

namespace automation {

// Kept out of line so that its return address lies in the code that builds the error.
__attribute__((noinline)) const void *Error::raiseAddress() noexcept
{
    return __builtin_extract_return_addr(__builtin_return_address(0));
}

} // namespace automation
