// The program's entry point.
#include <windows.h>

#include "shell/ProcessEntry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand) {
    return brevitex::RunProcess(instance, commandLine, showCommand);
}
