#pragma once
// What a call raised as a Basic error, for tests that check error numbers,
// sources and descriptions.

#include "utility/BasicError.h"

#include <gtest/gtest.h>

namespace testsupport {

// Runs `call` and answers the Basic error it raised; number 0 when none.
template <class Call>
pembry::BasicError raisedError(Call &&call)
{
    try {
        call();
    } catch (const pembry::BasicError &e) {
        return e;
    }
    return {};
}

// The number of the Basic error `call` raised; 0 when none.
template <class Call>
int raisedNumber(Call &&call)
{
    return raisedError(call).number();
}

// As raisedError, for a call that must fail: raising nothing fails the test.
template <class Call>
pembry::BasicError expectedError(Call &&call)
{
    bool returned = false;
    const pembry::BasicError e = raisedError([&] {
        call();
        returned = true;
    });
    if (returned)
        ADD_FAILURE() << "no error was raised";
    return e;
}

}  // namespace testsupport
