// What ships at the seam in linux/callback_edge.h: no callback is made to fail. A separate unit
// (never in a unity batch), so that the tests' builds replace it at link time.
#include "linux/callback_edge.h"

namespace ambervale::edge_detail {

void FailWhenAsked(CallbackEdge) {}

}  // namespace ambervale::edge_detail
