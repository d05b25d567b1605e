#include "document/itemtext.h"

namespace kav {

void RegisterTextClasses() {}

} // namespace kav
