// A pointer owned with the function that frees it: the C libraries'
// objects (glib's strings and errors, CUPS's destinations and requests)
// released by their own functions as their owner goes.
#pragma once

#include <memory>

namespace plat {

template <auto Free>
struct FreedBy {
    template <typename T>
    void operator()(T* pointer) const {
        Free(pointer);
    }
};

template <typename T, auto Free>
using Owned = std::unique_ptr<T, FreedBy<Free>>;

}  // namespace plat
