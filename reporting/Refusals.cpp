#include "reporting/Refusals.h"

namespace vantu {

namespace {
RefusalHandoff handoff;
}  // namespace

RefusalHandoff& ProcessRefusalHandoff() { return handoff; }

}  // namespace vantu
