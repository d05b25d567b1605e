#include "events/actions.h"

namespace kav {

void RegisterActionClasses() {}

} // namespace kav
