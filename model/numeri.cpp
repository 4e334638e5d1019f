#include "model/numeri.h"

#include <cmath>
#include <limits>

namespace scenario {

int64_t arrotonda(double valore) {
  // nearbyint follows the current rounding mode, which is round-to-nearest-even by default.
  const double arrotondato = std::nearbyint(valore);
  if (std::isnan(arrotondato)) return 0;
  if (arrotondato >= 9.2e18) return std::numeric_limits<int64_t>::max();
  if (arrotondato <= -9.2e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(arrotondato);
}


}  // namespace scenario
