// The program built without the toolkit: the terminal form alone.
#include "InstanceLock.h"
#include "TermMain.h"

#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    // Taken first and held to the end, as the windowed program does.
    InstanceLock lock(ProgramMutexName);
    lock.SetHolderForm(InstanceLock::Form::Terminal);  // a window started now says so
    TermStart start;
    start.lock = lock.GetState();
    start.lockProblem = lock.Problem();
    return TermMain(std::vector<std::string>(argv + 1, argv + argc), start);
}
