#pragma once
#include <functional>

// Over a pseudo-terminal on a loaded machine the kernel can hold the
// program's bytes back for longer than its 100 ms resend: its repeated
// requests then reach the radio in a pile, each is answered, and the
// program rightly fails on the surplus. Such an attempt says nothing about
// the program. This runs attempt with its test failures held; when it failed
// and heldBack() (the radio's count of piled-up requests) grew meanwhile,
// the failures are set aside, again() puts the radio back where an attempt
// starts, and it runs once more, at most maxAttempts times in all. Any other
// failure, and the failures of the last attempt, are reported as they are.
void AttemptUntilTheLineKeepsUp(const std::function<void()>& attempt, const std::function<int()>& heldBack,
                                const std::function<void()>& again, int maxAttempts = 4);
