// One composition entry of a material condition; entry k of a composition belongs to catalogue element k.
#pragma once

#include <cstdint>

struct MatCompoEntry {
    int32_t base;    // 1 for the base (balance) element of the alloy
    int32_t present; // 1 when the element takes part in the alloy
    float compo;     // percent
};
