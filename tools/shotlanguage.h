#pragma once
// The screenshot tools show their windows in the language KAV_SHOTS_LANGUAGE names (for
// example JAPANESE), after the engine's start has loaded the installation's own.
#include "config/settings.h"
#include "ui/langstrings.h"

namespace kavshots {

inline void ApplyShotLanguage()
{
    const QString language = qEnvironmentVariable("KAV_SHOTS_LANGUAGE");
    if (language.isEmpty())
        return;
    kav::settings().Language = language;
    kav::LoadLanguage(language);
}

} // namespace kavshots
