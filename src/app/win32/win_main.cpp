#include <windows.h>

#include "app/win32/run_application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine, int showCommand)
{
    return trackkit::RunApplication(instance, previousInstance, commandLine, showCommand);
}
