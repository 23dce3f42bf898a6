#pragma once

#include <cstdlib>

// An xcb reply, freed when it goes out of scope.
template <class Reply>
struct Freed {
    Reply* reply;
    ~Freed() { std::free(reply); }
    Reply* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};
