#include "cleaners/Cleaners.h"

#include <memory>

#include "cleaners/ChromeCleaner.h"
#include "cleaners/FireFoxCleanner.h"
#include "cleaners/IECleaner.h"
#include "cleaners/NetscapeCleanner.h"
#include "cleaners/OfficeCleaner.h"
#include "cleaners/OperaCleaner.h"
#include "cleaners/SafariCleaner.h"
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
    core::SetCleanerFactory(core::CleanerInternetExplorer, [] {
        return std::make_unique<TIECleanerThread>(
            TIECleanerThread::ModeInternetExplorer, TracksEraserSettings, true, 0);
    });
    core::SetCleanerFactory(core::CleanerAol, [] {
        return std::make_unique<TIECleanerThread>(TIECleanerThread::ModeAol, TracksEraserSettings, true, 0);
    });
    core::SetCleanerFactory(core::CleanerNetscape,
                            [] { return std::make_unique<TNetscapeCleanner>(TracksEraserSettings, true, 0); });
    core::SetCleanerFactory(core::CleanerFireFox,
                            [] { return std::make_unique<TFireFoxCleanner>(TracksEraserSettings, true, 0); });
    core::SetCleanerFactory(core::CleanerOpera,
                            [] { return std::make_unique<TOperaCleaner>(TracksEraserSettings, true, 0); });
    core::SetCleanerFactory(core::CleanerChrome,
                            [] { return std::make_unique<TChromeCleanerThread>(TracksEraserSettings, true, 0); });
    core::SetCleanerFactory(core::CleanerSafari,
                            [] { return std::make_unique<TSafariCleanerThread>(TracksEraserSettings, true, 0); });
}

} // namespace lumexa::cleaners
