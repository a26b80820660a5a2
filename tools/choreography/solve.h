#pragma once
// Finding a figure's free numbers (speeds, rates, radii) from the facts it must meet: where it
// ends, how high it climbs. A figure states the facts; the solver finds the numbers.

#include <functional>
#include <vector>

namespace choreography {

using Measure = std::function<std::vector<double>(const std::vector<double>&)>;

// Where each parameter may go: empty for anywhere, else one low and one high per parameter.
struct Bounds {
    std::vector<double> low, high;
};

// Parameters p, as many as targets, with measure(p) equal to the targets, by Newton's method
// with a numerical Jacobian from a first guess; every step is kept inside `bounds`, so a figure
// whose number is only meaningful in a range (a speed between two limits) is never measured
// outside it. Returns the best parameters found.
std::vector<double> Solve(const Measure& measure, std::vector<double> guess, const std::vector<double>& targets,
                          const Bounds& bounds = {});

}  // namespace choreography
