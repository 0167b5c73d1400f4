#include "iircoefficients.h"

#include <cmath>

namespace IirCoefficients {

TIirCoefficients firstOrderHighPass(double corner, int rate)
{
    const double p = std::exp(-2.0 * M_PI * corner / rate);
    return {{(1.0 + p) / 2.0, -(1.0 + p) / 2.0}, {0.0, p}, 0};
}

bool storedNotch50(int rate, TIirCoefficients &out)
{
    if (rate == 500) {
        out = {{0.951558090821252, -2.128420753699903, 2.85527558178394, -2.128420753699904, 0.951558090821252},
               {0.0, 2.181925067619687, -2.854072963143573, 2.07491643978012, -0.904318800282871},
               500};
        return true;
    }
    if (rate == 1000) {
        out = {{0.975331910638375, -3.433582821317144, 4.952900855244864, -3.433582821317145, 0.975331910638375},
               {0.0, 3.476732766930921, -4.952592786329411, 3.390432875703367, -0.950971890192202},
               2000};
        return true;
    }
    return false;
}

bool storedBaseline(int rate, TIirCoefficients &out)
{
    if (rate == 500) {
        out = {{0.995566972017647, -1.991133944035294, 0.995566972017647},
               {0.0, 1.991114292201654, -0.991153595868936},
               1000};
        return true;
    }
    if (rate == 1000) {
        out = {{0.997131, -2.991393, 2.991393, -0.997131}, {0.0, 2.994254, -2.988525, 0.994271}, 3000};
        return true;
    }
    return false;
}

} // namespace IirCoefficients
