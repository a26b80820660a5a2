// Smooth interpolation through tabulated shapes without overshoot (monotone cubic Hermite),
// so lofted surfaces bulge only where the table says so.
#pragma once

#include <cstddef>
#include <vector>

namespace assets {

class Profile {
public:
    // rows: the first value of each row is the abscissa, in increasing order.
    explicit Profile(std::vector<std::vector<double>> rows);
    double operator()(double x, std::size_t column) const;

private:
    std::vector<std::vector<double>> rows_;
    std::vector<std::vector<double>> slopes_;
};

}  // namespace assets
