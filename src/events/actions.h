#pragma once
#include "events/actionbase.h"

namespace kav {

void RegisterActionClasses();

} // namespace kav
