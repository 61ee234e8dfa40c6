#include "app/record_at_start.h"

#include <cstdlib>
#include <vector>

#include "core/global/global.h"
#include "engine/controller/capture_controller.h"

void RecordAtStartWhenAsked() {
    if (!std::getenv("ZOVI_TEST_RECORD_AT_START")) return;
    auto* controller = zovi::engine::CCaptureController::GetInstance();
    const std::vector<zovi::engine::SoundDeviceRecord> systemSound = {{L"Speakers", L"", false}};
    if (controller->StartCapture(zovi::engine::CaptureSourceInfo(), 0, 0, systemSound)) {
        GetGlobal().Info(L"Recording at start: %s", controller->CurrentOutputFileName().c_str());
    } else {
        GetGlobal().Error(L"The recording asked for at start did not start");
    }
}
