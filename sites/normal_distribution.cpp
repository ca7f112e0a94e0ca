#include "sites/normal_distribution.h"

#include <cmath>

double NormalLowerTail(double z)
{
    const double a = std::fabs(z);
    const double y = z * z / 2.0;
    double upper = 0.0;  // beyond 12.7 the tail is below double resolution next to 1
    if (a <= 1.28) {
        upper = 0.5 - a * (0.398942280444 -
                           0.399903438504 * y /
                               (y + 5.75885480458 - 29.8213557808 / (y + 2.62433121679 + 48.6959930692 / (y + 5.92885724438))));
    } else if (a <= 12.7) {
        upper = 0.398942280385 * std::exp(-y) /
                (a - 3.8052e-8 +
                 1.00000615302 /
                     (a + 0.000398064794 +
                      1.98615381364 /
                          (a - 0.151679116635 +
                           5.29330324926 / (a + 4.8385912808 - 15.1508972451 / (a + 0.742380924027 + 30.789933034 / (a + 3.99019417011))))));
    }
    return z < 0 ? upper : 1.0 - upper;
}
