#include "Timing.h"

#include <algorithm>

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const size_t nMiddle = values.size() / 2;
    if (values.size() % 2 == 1) {
        return values[nMiddle];
    }
    return (values[nMiddle - 1] + values[nMiddle]) / 2.0;
}
