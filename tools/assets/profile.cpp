#include "tools/assets/profile.h"

#include <algorithm>
#include <cmath>

namespace assets {

Profile::Profile(std::vector<std::vector<double>> rows) : rows_(std::move(rows)) {
    size_t n = rows_.size();
    size_t columns = rows_.front().size();
    slopes_.assign(n, std::vector<double>(columns, 0.0));
    for (size_t c = 1; c < columns; ++c) {
        std::vector<double> delta(n - 1);
        for (size_t i = 0; i + 1 < n; ++i) delta[i] = (rows_[i + 1][c] - rows_[i][c]) / (rows_[i + 1][0] - rows_[i][0]);
        slopes_[0][c] = delta[0];
        slopes_[n - 1][c] = delta[n - 2];
        for (size_t i = 1; i + 1 < n; ++i) {
            // Fritsch-Carlson: flat at a local extremum, harmonic mean elsewhere.
            slopes_[i][c] = delta[i - 1] * delta[i] <= 0 ? 0.0 : 2.0 / (1.0 / delta[i - 1] + 1.0 / delta[i]);
        }
    }
}

double Profile::operator()(double x, size_t column) const {
    if (x <= rows_.front()[0]) return rows_.front()[column];
    if (x >= rows_.back()[0]) return rows_.back()[column];
    size_t i = 0;
    while (x > rows_[i + 1][0]) ++i;
    double h = rows_[i + 1][0] - rows_[i][0];
    double t = (x - rows_[i][0]) / h;
    double t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * rows_[i][column] + (t3 - 2 * t2 + t) * h * slopes_[i][column] +
           (-2 * t3 + 3 * t2) * rows_[i + 1][column] + (t3 - t2) * h * slopes_[i + 1][column];
}

}  // namespace assets
