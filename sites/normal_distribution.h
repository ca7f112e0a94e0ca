#pragma once

// The lower tail of the standard normal distribution, by algorithm AS 66 (Hill, 1973).
// Exactly 0 below -12.7 and exactly 1 above 12.7.
double NormalLowerTail(double z);
