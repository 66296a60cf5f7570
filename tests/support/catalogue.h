// Things from the catalogue in rules.h by their names, for the tests of both
// libraries (no SDL).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "factory.h"
#include "rules.h"

namespace vlotest {

inline const ItemKind& ItemKindNamed(const std::string& name) {
    for (const ItemKind& k : ItemKinds) {
        if (name == k.name) {
            return k;
        }
    }
    EXPECT_EQ(name, BatonKind.name) << "not in the catalogue";
    return BatonKind;
}

// A carriable thing of the named kind at (0, 0), off any map, without a use
// function.
inline KREntity* NewThing(const std::string& name) {
    return NewItem(ItemKindNamed(name), 0, 0, nullptr, {});
}

} // namespace vlotest
