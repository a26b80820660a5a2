#include "tools/choreography/solve.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace choreography {
namespace {

using Matrix = std::vector<std::vector<double>>;

// Solves a · x = b by Gaussian elimination with partial pivoting; false when a is singular.
bool SolveLinear(Matrix a, std::vector<double> b, std::vector<double>& x) {
    const std::size_t n = b.size();
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t pivot = col;
        for (std::size_t row = col + 1; row < n; ++row) {
            if (std::fabs(a[row][col]) > std::fabs(a[pivot][col])) pivot = row;
        }
        if (std::fabs(a[pivot][col]) < 1e-12) return false;
        std::swap(a[col], a[pivot]);
        std::swap(b[col], b[pivot]);
        for (std::size_t row = col + 1; row < n; ++row) {
            const double f = a[row][col] / a[col][col];
            for (std::size_t k = col; k < n; ++k) a[row][k] -= f * a[col][k];
            b[row] -= f * b[col];
        }
    }
    x.assign(n, 0);
    for (std::size_t row = n; row-- > 0;) {
        double sum = b[row];
        for (std::size_t k = row + 1; k < n; ++k) sum -= a[row][k] * x[k];
        x[row] = sum / a[row][row];
    }
    return true;
}

double Error(const std::vector<double>& values, const std::vector<double>& targets) {
    double sum = 0;
    for (std::size_t i = 0; i < values.size(); ++i) sum += (values[i] - targets[i]) * (values[i] - targets[i]);
    return std::sqrt(sum);
}

void Clamp(std::vector<double>& p, const Bounds& bounds) {
    if (bounds.low.empty()) return;
    for (std::size_t j = 0; j < p.size(); ++j) p[j] = std::clamp(p[j], bounds.low[j], bounds.high[j]);
}

}  // namespace

std::vector<double> Solve(const Measure& measure, std::vector<double> p, const std::vector<double>& targets,
                          const Bounds& bounds) {
    Clamp(p, bounds);
    constexpr int kIterations = 30;
    constexpr double kTolerance = 1e-7;
    const std::size_t n = p.size();
    std::vector<double> values = measure(p);
    for (int iteration = 0; iteration < kIterations && Error(values, targets) > kTolerance; ++iteration) {
        Matrix jacobian(n, std::vector<double>(n));
        for (std::size_t j = 0; j < n; ++j) {
            std::vector<double> nudged = p;
            const double h = 1e-4 * std::fmax(1.0, std::fabs(p[j]));  // well above the integration's own noise
            nudged[j] += h;
            const std::vector<double> moved = measure(nudged);
            for (std::size_t i = 0; i < n; ++i) jacobian[i][j] = (moved[i] - values[i]) / h;
        }
        std::vector<double> residual(n), step;
        for (std::size_t i = 0; i < n; ++i) residual[i] = targets[i] - values[i];
        if (!SolveLinear(jacobian, residual, step)) break;
        // Halve the step until it improves the fit, so a poor first guess cannot throw it away.
        const double before = Error(values, targets);
        bool improved = false;
        for (double scale = 1; scale > 1e-3 && !improved; scale /= 2) {
            std::vector<double> trial = p;
            for (std::size_t j = 0; j < n; ++j) trial[j] += scale * step[j];
            Clamp(trial, bounds);
            const std::vector<double> tried = measure(trial);
            if (Error(tried, targets) < before) {
                p = std::move(trial);
                values = tried;
                improved = true;
            }
        }
        if (!improved) break;
    }
    return p;
}

}  // namespace choreography
