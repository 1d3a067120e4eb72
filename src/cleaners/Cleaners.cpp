#include "cleaners/Cleaners.h"

#include <memory>

#include "cleaners/OfficeCleaner.h"
#include "cleaners/WindowsCleaner.h"
#include "core/GeneralCleanerThread.h"

namespace lumexa::cleaners {

namespace {

// Source 0: the tracks eraser's deletion settings (items 33..37), as every cleaner of a run.
constexpr std::uint8_t TracksEraserSettings = 0;

} // namespace

void InstallCleaners()
{
    core::SetCleanerFactory(core::CleanerWindows,
                            [] { return std::make_unique<TWindowsCleaner>(TracksEraserSettings, true, 0); });
    core::SetCleanerFactory(core::CleanerOffice,
                            [] { return std::make_unique<TOfficeCleaner>(TracksEraserSettings, true, 0); });
}

} // namespace lumexa::cleaners
