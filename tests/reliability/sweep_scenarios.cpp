#include "reliability/sweep_scenarios.h"

namespace zel::testing {

std::vector<SweepScenario> SweepScenarios() {
    auto configured = [](const UpgradeWorld& world) {
        WriteFileText(world.Home() / "system" / "PROFILE.INI",
                      "[IndexCache]\r\nLowLimit=100\r\nMemorySize=512\r\nOldKey=kept in backup\r\n\r\n"
                      "[Retrieval]\r\nIgnoreSenPunct=1\r\nParallelLimit=8\r\n\r\n"
                      "[AutoBatch]\r\nProgramStart=z40server.exe &PORT &BLOCK\r\nProgramClose=z40shutdown.exe\r\n");
        WriteFileText(world.Home() / "system" / "LOG.INI",
                      "# log settings\r\nMAX_FILENUM     7\r\nLOGIN           1\r\nlogout 1\r\n");
    };
    return {
        {"default NEW:1 CS:1 OLD:N", {"NEW:1", "CS:1", "OLD:N"}, nullptr},
        {"default NEW:1 CS:1 OLD:N DIC:RIX ENT:REW", {"NEW:1", "CS:1", "OLD:N", "DIC:RIX", "ENT:REW"}, nullptr},
        {"configured NEW:3 DIC:REW OLD:Y", {"NEW:3", "CS:3", "DIC:REW", "OLD:Y"}, configured},
    };
}

}  // namespace zel::testing
