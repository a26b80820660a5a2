#pragma once
// The play list that settings hold, as programme numbers (byte codes 1 to 255) up to the first 0.

#include <vector>

#include "app/saver_app.h"

inline std::vector<int> PlayListOf(const Settings& s) {
    std::vector<int> list;
    for (signed char e : s.program) {
        if (e == 0) break;
        list.push_back(static_cast<unsigned char>(e));
    }
    return list;
}
