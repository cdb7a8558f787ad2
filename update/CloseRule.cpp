#include "CloseRule.h"

bool CanClose(Scene shown)
{
    return shown != Scene::WritingCpu && shown != Scene::WritingDsp;
}
