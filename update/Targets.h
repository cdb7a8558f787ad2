#pragma once

// Target codes of the update: which processor is being handled.
// TargetsDone is only ever a result of FirstOutdated (no target differs).
constexpr int TargetNone = 0;
constexpr int TargetCpu = 1;
constexpr int TargetDsp = 2;
constexpr int TargetsDone = 3;
constexpr int TargetRefused = 4;
