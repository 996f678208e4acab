#pragma once

#include "modRegistry.h"

// Runs one statement of a handler: a statement that fails (a stored setting that does not convert, a store
// that cannot be reached) is skipped, and the handler goes on with its next statement.
template <typename F> void statement(F&& f) {
    try {
        f();
    } catch (const modRegistry::Abandoned&) {
    }
}
