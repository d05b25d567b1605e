#pragma once
#include "document/gfxitem.h"

namespace kav {

void RegisterTextClasses();

} // namespace kav
