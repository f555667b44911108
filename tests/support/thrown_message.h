#pragma once
// Refusals checked in one line: what() of the exception a call throws.
#include <string>

namespace kestrano {

// The message of the E that f() throws, "" when it returns; an exception of
// another type passes through and fails the test.
template <class E, class F>
std::string thrownMessage(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "";
}

}  // namespace kestrano
